#include "lang/Hashtable.h"
#include "lang/String.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

using lang::Hash;
using lang::Hashtable;
using lang::String;

TEST(Hashtable, StringHashIsThirtyOneTimesOverSignedBytes)
{
    EXPECT_EQ(Hash<String>::hash("a"), 97);
    EXPECT_EQ(Hash<String>::hash("ab"), 3105);
    EXPECT_EQ(Hash<String>::hash(""), 0);
    EXPECT_EQ(Hash<String>::hash("\xff"), -1);
    EXPECT_EQ(Hash<String>::hash("a\x80"), 97 * 31 - 128);
    // 32-bit wrap-around: 31^7 * 'z' overflows.
    int32_t expected = 0;
    for (char c : std::string("zzzzzzzzzzzz"))
        expected = static_cast<int32_t>(static_cast<uint32_t>(expected) * 31u + static_cast<uint32_t>(c));
    EXPECT_EQ(Hash<String>::hash("zzzzzzzzzzzz"), expected);
}

TEST(Hashtable, GrowsAtTheTwentySeventhInsertion)
{
    Hashtable<String, int> table;
    EXPECT_EQ(table.bucketCount(), 0);
    table["k0"] = 0;
    EXPECT_EQ(table.bucketCount(), 37);
    EXPECT_EQ(table.threshold(), 27);
    for (int i = 1; i < 26; ++i)
        table[String("k" + std::to_string(i))] = i;
    EXPECT_EQ(table.bucketCount(), 37);
    table["k26"] = 26;
    EXPECT_EQ(table.bucketCount(), 67);
    EXPECT_EQ(table.threshold(), 50);
    EXPECT_EQ(table.size(), 27);
}

TEST(Hashtable, BucketCountsFollowThePrimesThenTheFallback)
{
    using T = Hashtable<int, int>;
    EXPECT_EQ(T::nextBucketCount(0), 37);
    EXPECT_EQ(T::nextBucketCount(37), 67);
    EXPECT_EQ(T::nextBucketCount(65543), 129403);
    EXPECT_EQ(T::nextBucketCount(129403), (129403 + 129403) | 1);
    EXPECT_EQ(T::nextBucketCount(258807), (258807 + 129403) | 1);
}

TEST(Hashtable, AgreesWithAMapThroughRandomChanges)
{
    std::mt19937 random(12345);
    Hashtable<String, int> table(String(), -1);
    std::map<std::string, int> oracle;
    for (int step = 0; step < 6000; ++step) {
        std::string key = "key" + std::to_string(random() % 3000);
        switch (random() % 4) {
        case 0:
        case 1:
            table[key] = step;
            oracle[key] = step;
            break;
        case 2:
            EXPECT_EQ(table.remove(key), oracle.erase(key) == 1);
            break;
        case 3: {
            auto it = oracle.find(key);
            EXPECT_EQ(table.get(key), it == oracle.end() ? -1 : it->second);
            EXPECT_EQ(table.containsKey(key), it != oracle.end());
            break;
        }
        }
        ASSERT_EQ(table.size(), static_cast<int>(oracle.size()));
        if (step % 500 == 0) {
            std::map<std::string, int> seen;
            int lastBucket = -1;
            for (auto it = table.begin(); it != table.end(); ++it) {
                // Iteration walks the buckets in order.
                int bucket = Hashtable<String, int>::bucketOf(it.key(), table.bucketCount());
                EXPECT_GE(bucket, lastBucket);
                lastBucket = bucket;
                EXPECT_TRUE(seen.emplace(it.key().str(), it.value()).second);
            }
            EXPECT_EQ(seen, oracle);
        }
    }
}

// Lookups find buckets by multiplication, not division: extreme hashes must land exactly
// where the remainder puts them, or a stored key would not be found again.
TEST(Hashtable, ExtremeHashesLandInTheirRemaindersBucket)
{
    Hashtable<int, int> table;
    std::map<int, int> oracle;
    const uint32_t keys[] = {0, 1, 36, 37, 38, 0xffffffffu, 0xffffffdbu, 0x7fffffffu, 0x7ffffffeu,
                             0x80000000u, 0x80000001u, 129402, 129403};
    int value = 0;
    for (uint32_t round = 0; round < 40; ++round) { // enough keys to pass several bucket counts
        for (uint32_t key : keys) {
            const int k = static_cast<int>(key * 3u + round * 7919u);
            table[k] = oracle[k] = ++value;
        }
    }
    for (const auto& entry : oracle)
        ASSERT_EQ(table.get(entry.first), entry.second) << entry.first;
    int lastBucket = -1;
    for (auto it = table.begin(); it != table.end(); ++it) {
        const int bucket = Hashtable<int, int>::bucketOf(it.key(), table.bucketCount());
        EXPECT_GE(bucket, lastBucket);
        lastBucket = bucket;
    }
}

TEST(Hashtable, ChainOrderAndSlotReuse)
{
    // Keys 1, 38 and 75 share bucket 1 of 37.
    Hashtable<int, int> table;
    table[1] = 10;
    table[38] = 20;
    table[75] = 30;
    std::vector<int> order;
    for (auto it = table.begin(); it != table.end(); ++it)
        order.push_back(it.key());
    // The inline slot first, then newer links directly after it.
    EXPECT_EQ(order, (std::vector<int>{1, 75, 38}));

    table.remove(75);
    table.remove(1);
    table[112] = 40; // takes the last unused slot met on the chain
    order.clear();
    for (auto it = table.begin(); it != table.end(); ++it)
        order.push_back(it.key());
    EXPECT_EQ(order, (std::vector<int>{112, 38}));
    EXPECT_EQ(table.get(38), 20);
}

TEST(Hashtable, CopiesAreIndependent)
{
    Hashtable<String, String> a;
    a["x"] = "1";
    Hashtable<String, String> b = a;
    b["x"] = "2";
    b["y"] = "3";
    EXPECT_EQ(a.get("x"), "1");
    EXPECT_EQ(a.size(), 1);
    EXPECT_EQ(b.size(), 2);
    a.clear();
    EXPECT_EQ(a.size(), 0);
    EXPECT_FALSE(a.containsKey("x"));
    a["z"] = "4";
    EXPECT_EQ(a.get("z"), "4");
}
