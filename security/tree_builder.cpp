// Placeholder until the tree builder lands.
#include "security/tree_builder.h"

uint32_t BuildSecurityNodes(const TreeSink*, ByteBuffer*, const char16_t*, TreeItem, uint32_t, uint32_t) { return 0; }
