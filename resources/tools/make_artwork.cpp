// Writes the program's artwork into a folder (default: resources): the glyph
// strips glyphs.bmp, glyphs20.bmp, glyphs24.bmp and glyphs32.bmp (bitmaps
// 1114 to 1117) and the icon ovrix.ico. Run it after changing artwork.h or
// glyph_shapes.h and commit the files.
#include <stdio.h>

#include <string>
#include <vector>

#include "resources/tools/glyph_shapes.h"

static bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

int main(int argc, char** argv) {
    std::string folder = argc > 1 ? argv[1] : "resources";
    bool ok = WriteFile(folder + "/ovrix.ico", IconFile());
    for (int size : kGlyphSizes) ok = ok && WriteFile(folder + "/" + GlyphStripFileName(size), GlyphStripBmpFile(size));
    if (!ok) {
        fprintf(stderr, "make_artwork: cannot write into %s\n", folder.c_str());
        return 1;
    }
    printf("wrote the glyph strips and ovrix.ico into %s\n", folder.c_str());
    return 0;
}
