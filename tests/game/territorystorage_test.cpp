#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/ref.h"
#include "game/territorystateimpl.h"
#include "game/texttable.h"

namespace {

TEST(TextTable, KeepsEachTextOnceUnderANumberThatNeverChanges) {
    const Ref<TextTable> texts = MakeTextTable();
    EXPECT_EQ(texts->Intern(""), TextTable::kEmpty);
    std::vector<std::string> stored;
    std::vector<TextTable::Id> ids;
    // Enough texts to add many blocks, grow the lookup several times and fill chunks of every
    // size; one is longer than the largest chunk.
    for (int i = 0; i < 100000; ++i) {
        stored.push_back("text " + std::to_string(i) +
                         (i == 5000 ? std::string(3 << 20, 'x') : ""));
        ids.push_back(texts->Intern(stored.back()));
    }
    stored.push_back(std::string("with\0NUL", 8));
    ids.push_back(texts->Intern(stored.back()));
    for (std::size_t i = 0; i < stored.size(); ++i) {
        ASSERT_EQ(texts->Text(ids[i]), stored[i]);
        ASSERT_EQ(texts->Intern(stored[i]), ids[i]);
    }
    TextTable::Id id = 0;
    EXPECT_TRUE(texts->Find("text 77", id));
    EXPECT_EQ(id, ids[77]);
    EXPECT_FALSE(texts->Find("with", id));
    EXPECT_FALSE(texts->Find("text 100000", id));
}

// A territory with two stacks in compact form, as the converter reader makes them.
Ref<TerritoryStateImpl> TerritoryOfTwoStacks() {
    Ref<TerritoryStateImpl> territory = MakeTerritoryState(MakeTextTable());
    TextTable& texts = territory->Texts();
    territory->AppendStack(texts.Intern("infantry"), texts.Intern("Germans"));
    territory->AppendStack(texts.Intern("armour"), texts.Intern("Germans"));
    return territory;
}

std::string Quantity(TerritoryState& territory, std::int32_t index) {
    Ref<UnitStack> stack;
    std::string quantity = "none";
    if (territory.GetUnit(index, stack.Receive())) stack->GetQuantity(quantity);
    return quantity;
}

TEST(CompactStacks, QuantitiesReadBackAsTheTextsTheyWereAndCountOnAsTheReadersCount) {
    struct Case {
        std::string set;
        std::string oneMore;
    };
    const Case cases[] = {
        {"", "1"},
        {"0", "1"},
        {"7", "8"},
        {"007", "8"},
        {"-3", "-2"},
        {"+4", "5"},
        {" 5", "6"},
        {"2147483646", "2147483647"},
        {"2147483647", "2147483647"},
        {"2147483648", "2147483647"},
        {"99999999999", "2147483647"},
        {"abc", "1"},
        {"1 2", "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set);
        Ref<TerritoryStateImpl> territory = TerritoryOfTwoStacks();
        {
            Ref<UnitStack> stack;
            ASSERT_TRUE(territory->GetUnit(1, stack.Receive()));
            stack->SetQuantity(c.set);
        }
        EXPECT_EQ(Quantity(*territory, 1), c.set);
        territory->AddOneUnit(1);
        EXPECT_EQ(Quantity(*territory, 1), c.oneMore);
        EXPECT_EQ(Quantity(*territory, 0), "1");
    }
}

TEST(CompactStacks, AHandedOutStackIsOneObjectThatShowsAndChangesItsTerritory) {
    Ref<TerritoryStateImpl> territory = TerritoryOfTwoStacks();
    Ref<UnitStack> first;
    Ref<UnitStack> again;
    Ref<UnitStack> found;
    ASSERT_TRUE(territory->GetUnit(0, first.Receive()));
    ASSERT_TRUE(territory->GetUnit(0, again.Receive()));
    ASSERT_TRUE(territory->FindUnit("infantry", "Germans", found.Receive()));
    EXPECT_EQ(first, again);
    EXPECT_EQ(first, found);
    EXPECT_FALSE(territory->FindUnit("infantry", "Russians", found.Receive()));

    first->SetOwner("Russians");
    territory->AddOneUnit(0);
    std::string text;
    again->GetOwner(text);
    EXPECT_EQ(text, "Russians");
    again->GetQuantity(text);
    EXPECT_EQ(text, "2");
    ASSERT_TRUE(territory->FindUnit("infantry", "Russians", found.Receive()));
    EXPECT_EQ(found, first);

    // Cleared or dropped, the territory no longer shows in the stack, which keeps its values.
    territory->ClearUnits();
    territory.Reset();
    first->GetType(text);
    EXPECT_EQ(text, "infantry");
    first->SetType("fighter");
    again->GetType(text);
    EXPECT_EQ(text, "fighter");
}

// A handed-out stack given to AddUnit is the same object in both territories afterwards, as
// with stacks of their own; added to its own territory it makes no cycle of references
// (the leak checker of the sanitizer build would report one).
TEST(CompactStacks, AStackAddedElsewhereIsSharedByBothTerritories) {
    Ref<TerritoryStateImpl> source = TerritoryOfTwoStacks();
    Ref<TerritoryState> other;
    CreateTerritoryState(other.Receive());
    Ref<UnitStack> stack;
    ASSERT_TRUE(source->GetUnit(1, stack.Receive()));
    other->AddUnit(stack.Get());
    source->AddUnit(stack.Get());
    stack->SetQuantity("5");
    EXPECT_EQ(Quantity(*source, 1), "5");
    EXPECT_EQ(Quantity(*source, 2), "5");
    EXPECT_EQ(Quantity(*other, 0), "5");
    Ref<UnitStack> fromOther;
    ASSERT_TRUE(other->FindUnit("armour", "Germans", fromOther.Receive()));
    EXPECT_EQ(fromOther, stack);
    source->AddOneUnit(2);
    EXPECT_EQ(Quantity(*other, 0), "6");
    EXPECT_EQ(
        source->FindStack(source->Texts().Intern("armour"), source->Texts().Intern("Germans")), 1);
}

// Views are handed out and dropped from several threads at once, as references may be.
TEST(CompactStacks, StacksAreHandedOutAndDroppedFromManyThreads) {
    Ref<TerritoryStateImpl> territory = TerritoryOfTwoStacks();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&territory, t] {
            std::string type;
            for (int i = 0; i < 5000; ++i) {
                Ref<UnitStack> stack;
                territory->GetUnit((i + t) % 2, stack.Receive());
                stack->GetType(type);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(territory->GetUnitCount(nullptr), 2);
    EXPECT_EQ(Quantity(*territory, 1), "1");
}

}  // namespace
