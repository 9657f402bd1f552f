#include "security/byte_buffer.h"

#include <string.h>

#include "base/heap.h"

namespace {

const uint32_t kBlock = 4096;
const uint32_t kLargestCapacity = 0xFFFFF000u;   // the largest multiple of 4096 a u32 holds

uint32_t NextCapacity(uint32_t capacity) {
    uint32_t step = (capacity / 4 + kBlock) / kBlock * kBlock;
    if (capacity > kLargestCapacity - step) return 0;   // would wrap: no such size
    return capacity + step;
}

// Makes room for `needed` bytes in all, keeping the content; false leaves the
// buffer exactly as it was.
bool Reserve(ByteBuffer* buffer, uint64_t needed) {
    if (!buffer->data) {
        void* block = ResizeBlock(nullptr, &buffer->capacity, kBlock, 1);
        if (!block) return false;
        buffer->data = static_cast<uint8_t*>(block);
    }
    if (needed > kLargestCapacity) return false;
    while (needed > buffer->capacity) {
        uint32_t grown = NextCapacity(buffer->capacity);
        if (grown == 0) return false;
        void* block = ResizeBlock(buffer->data, &buffer->capacity, grown, 1);
        if (!block) return false;
        buffer->data = static_cast<uint8_t*>(block);
    }
    return true;
}

}  // namespace

void ByteBufferInit(ByteBuffer* buffer) {
    buffer->data = nullptr;
    buffer->used = 0;
    buffer->capacity = 0;
}

bool ByteBufferFree(ByteBuffer* buffer) {
    if (!buffer->data) return true;
    uint8_t* data = buffer->data;
    buffer->data = nullptr;
    buffer->used = 0;
    return HeapFreeBytes(data);
}

bool ByteBufferAppend(ByteBuffer* buffer, const void* bytes, uint32_t n) {
    if (!Reserve(buffer, (uint64_t)buffer->used + n)) return false;
    if (n) memcpy(buffer->data + buffer->used, bytes, n);
    buffer->used += n;
    return true;
}

bool ByteBufferAppendString(ByteBuffer* buffer, const char16_t* text) {
    uint64_t units = 0;
    while (text[units]) units++;
    uint64_t b = 2 * (units + 1);
    if (!Reserve(buffer, buffer->used + b + 2)) return false;
    memcpy(buffer->data + buffer->used, text, (size_t)b);
    buffer->used += (uint32_t)b;
    buffer->data[buffer->used] = 0;
    buffer->data[buffer->used + 1] = 0;
    return true;
}
