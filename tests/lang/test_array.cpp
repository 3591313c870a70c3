#include "lang/Array.h"
#include "lang/String.h"

#include <gtest/gtest.h>

#include <vector>

using lang::Array;
using lang::String;

namespace {

struct Twelve
{
    int a, b, c;
};

template <class T>
std::vector<int> capacitiesWhileAdding(int count)
{
    Array<T> array;
    std::vector<int> seen{array.capacity()};
    for (int i = 0; i < count; ++i) {
        array.add(T{});
        if (array.capacity() != seen.back())
            seen.push_back(array.capacity());
    }
    return seen;
}

} // namespace

TEST(Array, GrowsByDoublingFromThirtyTwoBytes)
{
    EXPECT_EQ(capacitiesWhileAdding<int32_t>(32), (std::vector<int>{0, 8, 16, 32}));
    EXPECT_EQ(capacitiesWhileAdding<Twelve>(12), (std::vector<int>{0, 3, 6, 12}));
    EXPECT_EQ(capacitiesWhileAdding<char>(65), (std::vector<int>{0, 32, 64, 128}));
    static_assert(sizeof(Twelve) == 12, "the test needs 12-byte elements");
}

TEST(Array, ShrinkingKeepsTheFirstElements)
{
    Array<String> array;
    for (int i = 0; i < 10; ++i)
        array.add(String(std::to_string(i)));
    array.setCapacity(4);
    ASSERT_EQ(array.size(), 4);
    EXPECT_EQ(array.capacity(), 4);
    EXPECT_EQ(array[0], "0");
    EXPECT_EQ(array[3], "3");
    array.add("x"); // grows again from 4
    EXPECT_EQ(array.capacity(), 8);
    EXPECT_EQ(array[4], "x");
}

TEST(Array, RemoveMovesLaterElementsDown)
{
    Array<String> array;
    for (const char* s : {"a", "b", "c", "d"})
        array.add(s);
    array.remove(1);
    ASSERT_EQ(array.size(), 3);
    EXPECT_EQ(array[0], "a");
    EXPECT_EQ(array[1], "c");
    EXPECT_EQ(array[2], "d");
    array.remove(2);
    EXPECT_EQ(array.size(), 2);
    array.clear();
    EXPECT_EQ(array.size(), 0);
    EXPECT_EQ(array.capacity(), 4); // 32-byte Strings: 1, 2, 4; clearing keeps it
}

TEST(Array, AddingAnElementOfItselfWhileGrowing)
{
    Array<String> array;
    array.add(String(std::string(100, 'a')));
    for (int i = 0; i < 40; ++i)
        array.add(array[0]); // the source lives in the storage being replaced
    for (const String& s : array)
        EXPECT_EQ(s.length(), 100);
    Array<String> copy = array;
    array.clear();
    EXPECT_EQ(copy.size(), 41);
}

TEST(Array, ResizedElementsStartAsTheirValueInitialisedSelves)
{
    // Plain data is cleared in one pass, class types are constructed one by one: both read
    // as freshly made, also where a shrink left old values in the storage.
    Array<Twelve> plain;
    plain.add(Twelve{1, 2, 3});
    plain.add(Twelve{4, 5, 6});
    plain.resize(1);
    plain.resize(3);
    EXPECT_EQ(plain[0].c, 3);
    for (int i = 1; i < 3; ++i)
        EXPECT_TRUE(plain[i].a == 0 && plain[i].b == 0 && plain[i].c == 0) << i;
    Array<String> strings;
    strings.add(String("kept"));
    strings.resize(3);
    EXPECT_EQ(strings[0], "kept");
    EXPECT_TRUE(strings[2].isEmpty());
}
