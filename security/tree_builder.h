// Reads a path's security, forms its signature, and writes the nodes of a
// group's security: the one set of text builders behind the tree view, the
// clipboard, the reports and their JSON.
#pragma once
#include <stdint.h>

#include "base/file_attributes.h"
#include "base/text.h"
#include "base/tree_sink.h"
#include "security/byte_buffer.h"
#include "security/descriptor.h"
#include "security/security_platform.h"

// Where one reading puts each part as its query gives it.
struct DescriptorBuffers {
    uint8_t part[kDescriptorPartCount][kDescriptorBufferBytes];
};

// Reads the path's attributes (attributes is kAttributesInOpen) or takes the
// given ones, and every descriptor part: through one open when the platform
// can, else part by part. The parts point into buffers.
void ReadPathSecurityInto(const char16_t* path, uint32_t attributes, DescriptorBuffers* buffers, PathSecurity* out);
// The same into the window thread's own buffers; the parts stay valid until
// its next reading.
void ReadPathSecurity(const char16_t* path, uint32_t attributes, PathSecurity* out);
// Appends the signature sections of what was read to buffer, writes the
// buffer's used length into its first u32 and returns it; 0 when an append
// failed. No text is made and no account looked up.
uint32_t FormSignature(const PathSecurity* security, ByteBuffer* buffer);

// Where the nodes go: the tree view, or lines of a report. insert returns
// the new node (0 when it could not be made; its children are left out).
struct NodeSink {
    void* context;
    TreeItem (*insert)(void* context, TreeItem parent, const char16_t* text, int glyph, uint64_t id);
    void (*expand)(void* context, TreeItem item);
};
// Writes the attribute, owner, permission, auditing and integrity nodes of
// security under root, in the order a depth-first walk meets them. path is
// the group's first path (accounts are looked up on its server).
void WriteSecurityNodes(const NodeSink* sink, const PathSecurity* security, const char16_t* path, TreeItem root,
                        uint32_t group);
// The same into the tree.
void InsertSecurityNodes(const TreeSink* tree, const PathSecurity* security, const char16_t* path, TreeItem root,
                         uint32_t group);

// "attributes [RA]", or "unknown attributes".
void AttributeSummaryText(TextWriter* out, uint32_t attributes);
// The node of an ACL entry: its text, glyph and ItemParam (*param holds the
// group's ItemParam on entry). part tells the DACL, the SACL or the label's.
void EntryNodeText(TextWriter* out, const AceView* ace, DescriptorPart part, uint32_t attributes,
                   const char16_t* path, uint32_t* param, int* glyph);
