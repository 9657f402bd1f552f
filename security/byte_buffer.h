// Growable heap byte buffer for signatures, groups and the group list.
#pragma once
#include <stdint.h>

struct ByteBuffer {
    uint8_t* data;       // null while the buffer has no storage
    uint32_t used;
    uint32_t capacity;   // meaningful only while data is not null
};

void ByteBufferInit(ByteBuffer* buffer);
bool ByteBufferFree(ByteBuffer* buffer);
bool ByteBufferAppend(ByteBuffer* buffer, const void* bytes, uint32_t n);
bool ByteBufferAppendString(ByteBuffer* buffer, const char16_t* text);
