#include <gtest/gtest.h>
#include <string.h>

#include "security/byte_buffer.h"
#include "tests/unit/security_fakes.h"

using fake_security::ScopedHeapFault;

TEST(ByteBuffer, GrowsByWholeBlocksThenByAboutAQuarter) {
    std::vector<uint8_t> big(5000);
    for (size_t i = 0; i < big.size(); i++) big[i] = (uint8_t)(i * 7);
    ByteBuffer b, c;
    ByteBufferInit(&b);
    ByteBufferInit(&c);
    ASSERT_TRUE(ByteBufferAppend(&b, big.data(), 5000));
    EXPECT_EQ(b.capacity, 8192u);
    EXPECT_EQ(memcmp(b.data, big.data(), 5000), 0);
    // One byte at a time past each boundary walks the whole growth sequence.
    std::vector<uint32_t> seen;
    while (c.used < 73728) {
        ASSERT_TRUE(ByteBufferAppend(&c, big.data(), 1));
        if (seen.empty() || seen.back() != c.capacity) seen.push_back(c.capacity);
    }
    EXPECT_EQ(seen, (std::vector<uint32_t>{4096, 8192, 12288, 16384, 24576, 32768, 45056, 57344, 73728}));
    // A wrapped used + n would look small and skip the growth.
    EXPECT_FALSE(ByteBufferAppend(&c, big.data(), 0xFFFFFFFFu));
    EXPECT_EQ(c.used, 73728u);
    EXPECT_TRUE(ByteBufferFree(&b));
    EXPECT_TRUE(ByteBufferFree(&c));
    EXPECT_TRUE(ByteBufferFree(&c));   // nothing left to release
    EXPECT_EQ(c.data, nullptr);
}

TEST(ByteBuffer, AppendStringCountsTerminatorAndKeepsOneMoreZero) {
    ByteBuffer b;
    ByteBufferInit(&b);
    ASSERT_TRUE(ByteBufferAppendString(&b, u"ab"));
    EXPECT_EQ(b.used, 6u);
    EXPECT_EQ(memcmp(b.data, u"ab\0", 8), 0);   // the extra zero is not counted
    // A string that ends exactly at the block still gets its extra zero.
    std::vector<uint8_t> pad(4084, 1);
    ASSERT_TRUE(ByteBufferAppend(&b, pad.data(), 4084));
    ASSERT_TRUE(ByteBufferAppendString(&b, u"xy"));
    EXPECT_EQ(b.used, 4096u);
    EXPECT_EQ(b.capacity, 8192u);
    EXPECT_EQ(b.data[4096] | b.data[4097], 0);
    ByteBufferFree(&b);
}

TEST(ByteBuffer, FailedAllocationKeepsStorageAndContent) {
    std::vector<uint8_t> first(4000, 9);
    ByteBuffer b;
    ByteBufferInit(&b);
    {
        ScopedHeapFault heap(0);
        EXPECT_FALSE(ByteBufferAppend(&b, first.data(), 4));
        EXPECT_FALSE(ByteBufferAppendString(&b, u"x"));
        EXPECT_EQ(b.data, nullptr);
        EXPECT_EQ(b.used, 0u);
    }
    ScopedHeapFault heap(1);   // the first block, then no growth
    ASSERT_TRUE(ByteBufferAppend(&b, first.data(), 4000));
    uint8_t* storage = b.data;
    EXPECT_FALSE(ByteBufferAppend(&b, first.data(), 200));
    EXPECT_FALSE(ByteBufferAppendString(&b, std::u16string(60, u'q').c_str()));
    EXPECT_EQ(b.data, storage);
    EXPECT_EQ(b.used, 4000u);
    EXPECT_EQ(b.capacity, 4096u);
    EXPECT_EQ(memcmp(b.data, first.data(), 4000), 0);
    EXPECT_TRUE(ByteBufferAppend(&b, first.data(), 96));   // what still fits needs no storage
    ByteBufferFree(&b);
}
