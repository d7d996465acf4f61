#include "ElementNameTables.h"

#include <gtest/gtest.h>

using namespace spawn;

namespace {

// A table whose entry i has ID `base + i` and name "<prefix><i>".
NameTable table(std::size_t count, std::int32_t base, const std::string& prefix) {
    NameTable t;
    for (std::size_t i = 0; i < count; ++i) {
        t.ids.push_back(base + static_cast<std::int32_t>(i));
        t.names.push_back(prefix + std::to_string(i));
    }
    return t;
}

std::string lookup(const ElementNameTables& tables, std::int32_t id) {
    const auto name = tables.findCreatureName(id);
    return name ? std::string(*name) : "<none>";
}

} // namespace

TEST(ElementNameTablesTest, EmptyTablesFindNothing) {
    const ElementNameTables tables;
    EXPECT_EQ(lookup(tables, 0), "<none>");
    EXPECT_EQ(lookup(tables, 16), "<none>");
}

TEST(ElementNameTablesTest, EachTableIsSearchedWhenTheOtherIsEmpty) {
    EXPECT_EQ(lookup(ElementNameTables(table(3, 10, "m"), {}), 12), "m2");
    EXPECT_EQ(lookup(ElementNameTables({}, table(3, 10, "n")), 11), "n1");
}

TEST(ElementNameTablesTest, AtTheSameIndexTheList54NameWins) {
    NameTable list37 = table(5, 100, "m");
    NameTable list54 = table(5, 200, "n");
    list37.ids[2] = 7;
    list54.ids[2] = 7;
    EXPECT_EQ(lookup(ElementNameTables(list37, list54), 7), "n2");
}

TEST(ElementNameTablesTest, TheLowestIndexWinsWhicheverTableHoldsIt) {
    NameTable list37 = table(10, 100, "m");
    NameTable list54 = table(10, 200, "n");
    list37.ids[4] = 7;
    list54.ids[9] = 7;
    EXPECT_EQ(lookup(ElementNameTables(list37, list54), 7), "m4");

    // The same ID twice in one table: the first one.
    NameTable twice = table(6, 100, "m");
    twice.ids[5] = 101;
    EXPECT_EQ(lookup(ElementNameTables(twice, {}), 101), "m1");
}

TEST(ElementNameTablesTest, IdsPastTheShorterTableAreStillFound) {
    const ElementNameTables tables(table(5000, 10000, "m"), table(100, 0, "n"));
    EXPECT_EQ(lookup(tables, 14000), "m4000");
    EXPECT_EQ(lookup(tables, 99), "n99");
    EXPECT_EQ(lookup(tables, 100), "<none>");
}

TEST(ElementNameTablesTest, IdsAreComparedAsWhole32BitValues) {
    NameTable list37;
    list37.ids = {-1, INT32_MIN};
    list37.names = {"minus one", "min"};
    const ElementNameTables tables(list37, {});
    EXPECT_EQ(lookup(tables, -1), "minus one");
    EXPECT_EQ(lookup(tables, INT32_MIN), "min");
    EXPECT_EQ(lookup(tables, INT32_MAX), "<none>");
}
