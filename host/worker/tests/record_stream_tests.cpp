#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "worker/record_stream.h"

namespace {

using namespace vesk_host::worker;

std::vector<std::pair<char, std::string>> split(const std::string& bytes, std::size_t piece, std::size_t limit = 1 << 20)
{
    RecordSplitter splitter(limit);
    std::vector<std::pair<char, std::string>> records;
    char tag = 0;
    std::string payload;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        splitter.feed(bytes.data() + at, std::min(piece, bytes.size() - at));
        while (splitter.next(tag, payload))
            records.emplace_back(tag, payload);
    }
    return records;
}

TEST(RecordStreamTest, RecordsComeBackWholeWhateverPiecesTheBytesComeIn)
{
    std::string bytes;
    const std::vector<std::pair<char, std::string>> sent = {
        {'E', "one"}, {'X', ""}, {'P', std::string("a\0b\nc", 5)}, {'E', std::string(70000, 'z')}};
    for (const auto& [tag, payload] : sent)
        appendRecord(bytes, tag, payload);
    for (const std::size_t piece : {std::size_t(1), std::size_t(3), std::size_t(4096), bytes.size()})
        EXPECT_EQ(split(bytes, piece), sent) << "pieces of " << piece;
}

TEST(RecordStreamTest, APartialRecordWaitsAndAnOverlongOneSpoilsTheStream)
{
    std::string bytes;
    appendRecord(bytes, 'E', "whole");
    appendRecord(bytes, 'E', "cut short");
    RecordSplitter splitter(100);
    splitter.feed(bytes.data(), bytes.size() - 3);
    char tag = 0;
    std::string payload;
    ASSERT_TRUE(splitter.next(tag, payload));
    EXPECT_EQ(payload, "whole");
    EXPECT_FALSE(splitter.next(tag, payload));
    EXPECT_EQ(splitter.partial(), 5u + 9u - 3u);

    std::string big;
    appendRecord(big, 'E', std::string(101, 'x'));
    RecordSplitter strict(100);
    strict.feed(big.data(), big.size());
    EXPECT_FALSE(strict.next(tag, payload));
    EXPECT_TRUE(strict.garbled());
}

TEST(RecordStreamTest, PutRecordWritesTheSameBytesOrNothingWhenItDoesNotFit)
{
    std::string expected;
    appendRecord(expected, 'X', "script-crashed\tboom");
    char buffer[64];
    const std::size_t written = putRecord(buffer, sizeof buffer, 'X', "script-crashed\tboom");
    EXPECT_EQ(std::string(buffer, written), expected);
    EXPECT_EQ(putRecord(buffer, 8, 'X', "too long for eight"), 0u);
    EXPECT_EQ(putRecord(buffer, 4, 'X', ""), 0u);
}

} // namespace
