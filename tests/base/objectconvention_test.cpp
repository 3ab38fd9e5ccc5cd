#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/ref.h"
#include "base/refcounted.h"
#include "game/gameloader.h"
#include "game/territorystate.h"
#include "game/unitstack.h"
#include "render/maprenderer.h"

namespace {

// Records the order of AddRef and Release calls across objects.
std::vector<std::string> journal;

class Probe : public Unknown {
public:
    explicit Probe(std::string probeName) : name(std::move(probeName)) {}
    virtual ~Probe() = default;
    HResult QueryInterface(const InterfaceId&, void**) override { return kResultNotImplemented; }
    std::int32_t AddRef() override {
        journal.push_back("addref " + name);
        return ++count;
    }
    std::int32_t Release() override {
        journal.push_back("release " + name);
        return --count;
    }
    std::int32_t count = 0;
    std::string name;
};

TEST(Ref, AddsTheNewReferenceBeforeReleasingTheOldOne) {
    journal.clear();
    Probe a("a");
    Probe b("b");
    {
        Ref<Probe> holder(&a);
        holder.Reset(&b);
        Ref<Probe> copy = holder;
        copy = copy;  // self-assignment keeps the one reference
        EXPECT_EQ(b.count, 2);
    }
    EXPECT_EQ(journal, (std::vector<std::string>{"addref a", "addref b", "release a", "addref b",
                                                  "addref b", "release b", "release b",
                                                  "release b"}));
    EXPECT_EQ(a.count, 0);
    EXPECT_EQ(b.count, 0);
}

TEST(Ref, ReceiveReleasesWhatWasHeldAndAdoptsTheCalleesReference) {
    Probe a("a");
    Ref<Probe> holder(&a);
    Probe** slot = holder.Receive();
    EXPECT_EQ(a.count, 0);
    EXPECT_EQ(*slot, nullptr);
    Ref<Probe> moved = std::move(holder);
    EXPECT_FALSE(moved);
}

TEST(ObjectConvention, FactoriesHandOutExactlyOneReference) {
    UnitStack* stack = nullptr;
    ASSERT_EQ(CreateUnitStack(&stack), 0);
    const Ref<UnitStack> held = Ref<UnitStack>::Adopt(stack);
    EXPECT_EQ(held->AddRef(), 2);
    EXPECT_EQ(held->Release(), 1);
}

TEST(ObjectConvention, QueryInterfaceNeverHandsOutAnything) {
    Ref<GameLoader> loader;
    Ref<TerritoryState> territory;
    Ref<UnitStack> stack;
    Ref<MapRenderer> renderer;
    ASSERT_EQ(CreateGameLoader(loader.Receive()), 0);
    ASSERT_EQ(CreateTerritoryState(territory.Receive()), 0);
    ASSERT_EQ(CreateUnitStack(stack.Receive()), 0);
    ASSERT_EQ(CreateMapRenderer(renderer.Receive()), 0);
    // The identifier of the base unknown interface gets the same answer as any other.
    const InterfaceId unknownId{0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    const InterfaceId otherId{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    for (Unknown* object : std::vector<Unknown*>{loader.Get(), territory.Get(), stack.Get(),
                                                 renderer.Get()}) {
        for (const InterfaceId& id : {unknownId, otherId}) {
            void* out = &journal;
            EXPECT_EQ(object->QueryInterface(id, &out), static_cast<HResult>(0x80004001u));
            EXPECT_EQ(out, &journal);
        }
    }
}

TEST(ObjectConvention, CountsAreAtomicAcrossThreads) {
    Ref<UnitStack> stack;
    ASSERT_EQ(CreateUnitStack(stack.Receive()), 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&stack] {
            for (int i = 0; i < 10000; ++i) Ref<UnitStack> copy = stack;
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(stack->AddRef(), 2);
    stack->Release();
}

}  // namespace
