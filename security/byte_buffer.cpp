// Placeholder until the byte buffer lands.
#include "security/byte_buffer.h"

void ByteBufferInit(ByteBuffer* buffer) {
    buffer->data = nullptr;
    buffer->used = 0;
}
bool ByteBufferFree(ByteBuffer* buffer) {
    buffer->data = nullptr;
    buffer->used = 0;
    return true;
}
bool ByteBufferAppend(ByteBuffer*, const void*, uint32_t) { return false; }
bool ByteBufferAppendString(ByteBuffer*, const char16_t*) { return false; }
