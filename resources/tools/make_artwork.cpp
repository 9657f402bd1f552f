// Writes the program's artwork into a folder (default: resources): the glyph
// strip glyphs.bmp (bitmap 1114) and the icon ovrix.ico. Run it after
// changing artwork.h and commit both files.
#include <stdio.h>

#include <string>
#include <vector>

#include "resources/tools/artwork.h"

static bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

int main(int argc, char** argv) {
    std::string folder = argc > 1 ? argv[1] : "resources";
    if (!WriteFile(folder + "/glyphs.bmp", GlyphStripBmpFile()) || !WriteFile(folder + "/ovrix.ico", IconFile())) {
        fprintf(stderr, "make_artwork: cannot write into %s\n", folder.c_str());
        return 1;
    }
    printf("wrote %s/glyphs.bmp and %s/ovrix.ico\n", folder.c_str(), folder.c_str());
    return 0;
}
