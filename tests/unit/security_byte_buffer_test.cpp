#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "security/byte_buffer.h"
#include "tests/unit/security_heap_fault.h"

namespace {

std::vector<uint8_t> Filled(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; i++) v[i] = (uint8_t)(seed + i * 7);
    return v;
}

}  // namespace

TEST(ByteBuffer, GrowsByWholeBlocksThenByAboutAQuarter) {
    heap_fault::ScopedHeap heap;
    ByteBuffer b;
    ByteBufferInit(&b);
    uint32_t four = 0x04030201;
    ASSERT_TRUE(ByteBufferAppend(&b, &four, 4));
    EXPECT_EQ(b.used, 4u);
    EXPECT_EQ(b.capacity, 4096u);
    EXPECT_EQ(memcmp(b.data, &four, 4), 0);

    std::vector<uint8_t> big = Filled(5000, 3);
    ByteBuffer c;
    ByteBufferInit(&c);
    heap_fault::Current().sizes.clear();
    ASSERT_TRUE(ByteBufferAppend(&c, big.data(), 5000));
    EXPECT_EQ(heap_fault::Current().sizes, (std::vector<size_t>{4096, 8192}));
    EXPECT_EQ(c.capacity, 8192u);
    EXPECT_EQ(memcmp(c.data, big.data(), 5000), 0);

    // One byte at a time past each boundary walks the whole growth sequence.
    std::vector<uint32_t> seen;
    ByteBuffer d;
    ByteBufferInit(&d);
    uint8_t one = 0x5a;
    while (d.used < 73728) {
        ASSERT_TRUE(ByteBufferAppend(&d, &one, 1));
        if (seen.empty() || seen.back() != d.capacity) seen.push_back(d.capacity);
    }
    EXPECT_EQ(seen, (std::vector<uint32_t>{4096, 8192, 12288, 16384, 24576, 32768, 45056, 57344, 73728}));
    EXPECT_TRUE(ByteBufferFree(&b));
    EXPECT_TRUE(ByteBufferFree(&c));
    EXPECT_TRUE(ByteBufferFree(&d));
}

TEST(ByteBuffer, AppendStringCountsTerminatorAndKeepsOneMoreZero) {
    heap_fault::ScopedHeap heap;
    ByteBuffer b;
    ByteBufferInit(&b);
    ASSERT_TRUE(ByteBufferAppendString(&b, u"ab"));
    EXPECT_EQ(b.used, 6u);
    const char16_t* units = reinterpret_cast<const char16_t*>(b.data);
    EXPECT_EQ(units[0], u'a');
    EXPECT_EQ(units[1], u'b');
    EXPECT_EQ(units[2], 0);
    EXPECT_EQ(units[3], 0);   // the extra zero, not counted

    // A string that ends exactly at the block still gets its extra zero.
    ByteBuffer c;
    ByteBufferInit(&c);
    std::vector<uint8_t> pad = Filled(4090, 1);
    ASSERT_TRUE(ByteBufferAppend(&c, pad.data(), 4090));
    ASSERT_TRUE(ByteBufferAppendString(&c, u"xy"));
    EXPECT_EQ(c.used, 4096u);
    EXPECT_EQ(c.capacity, 8192u);
    EXPECT_EQ(c.data[4096], 0);
    EXPECT_EQ(c.data[4097], 0);
    ByteBufferFree(&b);
    ByteBufferFree(&c);
}

TEST(ByteBuffer, FailedAllocationKeepsStorageAndContent) {
    std::vector<uint8_t> first = Filled(4000, 9);
    ByteBuffer b;
    ByteBufferInit(&b);
    {
        heap_fault::ScopedHeap heap(0);
        EXPECT_FALSE(ByteBufferAppend(&b, first.data(), 4));
        EXPECT_EQ(b.data, nullptr);
        EXPECT_EQ(b.used, 0u);
        EXPECT_FALSE(ByteBufferAppendString(&b, u"x"));
        EXPECT_EQ(b.data, nullptr);
    }
    {
        heap_fault::ScopedHeap heap(1);   // the first block, then no growth
        ASSERT_TRUE(ByteBufferAppend(&b, first.data(), 4000));
        uint8_t* storage = b.data;
        std::vector<uint8_t> more = Filled(200, 1);
        EXPECT_FALSE(ByteBufferAppend(&b, more.data(), 200));
        EXPECT_FALSE(ByteBufferAppendString(&b, std::u16string(60, u'q').c_str()));
        EXPECT_EQ(b.data, storage);
        EXPECT_EQ(b.used, 4000u);
        EXPECT_EQ(b.capacity, 4096u);
        EXPECT_EQ(memcmp(b.data, first.data(), 4000), 0);
        // What still fits needs no storage.
        EXPECT_TRUE(ByteBufferAppend(&b, more.data(), 96));
        EXPECT_EQ(b.used, 4096u);
    }
    ByteBufferFree(&b);
}

TEST(ByteBuffer, RefusesSizesPastFourGigabytesInsteadOfWrapping) {
    heap_fault::ScopedHeap heap;
    ByteBuffer b;
    ByteBufferInit(&b);
    uint8_t byte = 1;
    ASSERT_TRUE(ByteBufferAppend(&b, &byte, 1));
    // A wrapped used + n would look small and skip the growth.
    EXPECT_FALSE(ByteBufferAppend(&b, &byte, 0xFFFFFFFFu));
    EXPECT_EQ(b.used, 1u);
    EXPECT_EQ(b.capacity, 4096u);
    ByteBufferFree(&b);
}

TEST(ByteBuffer, FreeReleasesOnceAndReportsNothingToRelease) {
    ByteBuffer b;
    ByteBufferInit(&b);
    EXPECT_TRUE(ByteBufferFree(&b));
    EXPECT_EQ(b.data, nullptr);
    uint32_t v = 7;
    ASSERT_TRUE(ByteBufferAppend(&b, &v, 4));
    EXPECT_TRUE(ByteBufferFree(&b));
    EXPECT_EQ(b.data, nullptr);
    EXPECT_EQ(b.used, 0u);
    EXPECT_TRUE(ByteBufferFree(&b));   // a second free must not release again
}
