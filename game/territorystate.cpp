#include "game/territorystate.h"

#include <charconv>
#include <limits>
#include <utility>

#include "base/refcounted.h"
#include "base/stringutil.h"
#include "game/territorystateimpl.h"
#include "game/unitstackimpl.h"

namespace {

// A quantity is stored as its value when it is the decimal text of a non-negative 32-bit
// integer written as "%d" writes it, which is what the readers make; any other text is
// stored as the number of the text with this bit set.
constexpr std::uint32_t kQuantityIsText = std::uint32_t{1} << 31;
static_assert(TextTable::kIdLimit <= kQuantityIsText, "text numbers must leave the top bit free");

bool ReadPlainCount(std::string_view text, std::uint32_t& value) {
    if (text.empty() || text.size() > 10 || (text[0] == '0' && text.size() > 1)) return false;
    std::uint64_t number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return false;
    value = static_cast<std::uint32_t>(number);
    return true;
}

}  // namespace

void CountOneMore(std::string& quantity) {
    const std::int32_t count = ReadLeadingInteger(quantity);
    FormatString(quantity, "%d",
                 count < std::numeric_limits<std::int32_t>::max() ? count + 1 : count);
}

TerritoryStateImpl::TerritoryStateImpl(Ref<TextTable> table) : texts(std::move(table)) {}

TextTable& TerritoryStateImpl::Texts() {
    if (!texts) texts = MakeTextTable();
    return *texts;
}

std::string_view TerritoryStateImpl::TextOf(TextTable::Id id) const {
    return id == TextTable::kEmpty ? std::string_view() : texts->Text(id);
}

void TerritoryStateImpl::GetName(std::string& out) { out = TextOf(name); }
void TerritoryStateImpl::SetName(const std::string& value) { name = Texts().Intern(value); }
void TerritoryStateImpl::GetOwner(std::string& out) { out = TextOf(owner); }
void TerritoryStateImpl::SetOwner(const std::string& value) { AssignOwner(value); }
void TerritoryStateImpl::AssignOwner(std::string_view value) { owner = Texts().Intern(value); }
void TerritoryStateImpl::GetProduction(std::string& out) { out = TextOf(production); }

void TerritoryStateImpl::SetProduction(const std::string& value) {
    production = Texts().Intern(value);
}

void TerritoryStateImpl::CopyProductionFrom(TerritoryState& other) {
    auto* same = dynamic_cast<TerritoryStateImpl*>(&other);
    if (same && (same->production == TextTable::kEmpty || same->texts == texts)) {
        production = same->production;
        return;
    }
    std::string value;
    other.GetProduction(value);
    SetProduction(value);
}

std::uint32_t TerritoryStateImpl::QuantityOf(std::string_view text) {
    std::uint32_t value = 0;
    return ReadPlainCount(text, value) ? value : kQuantityIsText | Texts().Intern(text);
}

void TerritoryStateImpl::QuantityText(std::uint32_t quantity, std::string& out) const {
    if (quantity & kQuantityIsText) {
        out = TextOf(quantity & ~kQuantityIsText);
        return;
    }
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, quantity).ptr;
    out.assign(digits, end);
}

std::int32_t TerritoryStateImpl::GetUnitCount(std::int32_t* count) {
    const auto size = static_cast<std::int32_t>(stacks.size());
    if (count) *count = size;
    return size;
}

bool TerritoryStateImpl::FindUnit(const std::string& type, const std::string& owner_,
                                  UnitStack** out) {
    TextTable::Id typeId = TextTable::kEmpty;
    TextTable::Id ownerId = TextTable::kEmpty;
    const bool known = texts && texts->Find(type, typeId) && texts->Find(owner_, ownerId);
    std::string heldType;
    std::string heldOwner;
    for (std::size_t i = 0; i < stacks.size(); ++i) {
        const StackRecord& stack = stacks[i];
        if (stack.type == kHeldStack) {
            const Ref<UnitStack>& object = (*held)[stack.owner];
            object->GetType(heldType);
            object->GetOwner(heldOwner);
            if (heldType != type || heldOwner != owner_) continue;
        } else if (!known || stack.type != typeId || stack.owner != ownerId) {
            continue;
        }
        HandOut(static_cast<std::int32_t>(i), out);
        return true;
    }
    return false;
}

bool TerritoryStateImpl::GetUnit(std::int32_t index, UnitStack** out) {
    if (index < 0 || static_cast<std::size_t>(index) >= stacks.size()) return false;
    HandOut(index, out);
    return true;
}

// The view of a record that is alive is handed out again, so that a stack stays one object
// for as long as anyone holds it.
void TerritoryStateImpl::HandOut(std::int32_t index, UnitStack** out) {
    const StackRecord& stack = stacks[static_cast<std::size_t>(index)];
    if (stack.type == kHeldStack) {
        (*held)[stack.owner].CopyTo(out);
        return;
    }
    const std::lock_guard<std::mutex> lock(ViewLock());
    LiveViews& views = Views();
    const auto range = views.equal_range(this);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second->Index() == index && it->second->AddRefUnlessDestroyed()) {
            *out = it->second;
            return;
        }
    }
    auto* view = new UnitStackImpl(Ref<TerritoryStateImpl>(this), index);
    view->AddRef();
    views.emplace(this, view);
    *out = view;
}

void TerritoryStateImpl::AddUnit(UnitStack* stack) {
    if (auto* view = dynamic_cast<UnitStackImpl*>(stack)) MakeStandalone(*view);
    Hold(Ref<UnitStack>(stack));
}

void TerritoryStateImpl::Hold(Ref<UnitStack> stack) {
    if (!held) held = std::make_unique<std::vector<Ref<UnitStack>>>();
    stacks.push_back({kHeldStack, static_cast<TextTable::Id>(held->size()), 0});
    held->push_back(std::move(stack));
}

// A view that is to be held by a territory becomes a stack object of its own, and the
// territory it showed holds that object in place of the record: both territories then hold
// the same object, and no territory holds a view, which would hold the territory in turn.
void TerritoryStateImpl::MakeStandalone(UnitStackImpl& view) {
    Ref<TerritoryStateImpl> shown;
    {
        const std::lock_guard<std::mutex> lock(ViewLock());
        if (!view.Shown()) return;
        const std::int32_t index = view.Index();
        LiveViews& views = Views();
        const auto range = views.equal_range(view.Shown());
        for (auto it = range.first; it != range.second; ++it) {
            if (it->second == &view) {
                views.erase(it);
                break;
            }
        }
        shown = view.Detach();
        TerritoryStateImpl& source = *shown;
        if (!source.held) source.held = std::make_unique<std::vector<Ref<UnitStack>>>();
        source.stacks[static_cast<std::size_t>(index)] = {
            kHeldStack, static_cast<TextTable::Id>(source.held->size()), 0};
        source.held->emplace_back(&view);
    }
}

void TerritoryStateImpl::ClearUnits() {
    std::vector<Ref<TerritoryStateImpl>> detached;  // dropped last, outside the lock
    {
        const std::lock_guard<std::mutex> lock(ViewLock());
        LiveViews& views = Views();
        const auto range = views.equal_range(this);
        for (auto it = range.first; it != range.second; ++it) {
            detached.push_back(it->second->Detach());
        }
        views.erase(range.first, range.second);
    }
    stacks.clear();
    held.reset();
}

std::int32_t TerritoryStateImpl::FindStack(TextTable::Id type, TextTable::Id owner_) {
    for (std::size_t i = 0; i < stacks.size(); ++i) {
        TextTable::Id stackType = 0;
        TextTable::Id stackOwner = 0;
        if (stacks[i].type == kHeldStack) {
            StackKey(static_cast<std::int32_t>(i), stackType, stackOwner);
        } else {
            stackType = stacks[i].type;
            stackOwner = stacks[i].owner;
        }
        if (stackType == type && stackOwner == owner_) return static_cast<std::int32_t>(i);
    }
    return -1;
}

std::int32_t TerritoryStateImpl::AppendStack(TextTable::Id type, TextTable::Id owner_) {
    stacks.push_back({type, owner_, 1});
    return static_cast<std::int32_t>(stacks.size() - 1);
}

void TerritoryStateImpl::AddOneUnit(std::int32_t index) {
    StackRecord& stack = stacks[static_cast<std::size_t>(index)];
    std::string quantity;
    if (stack.type == kHeldStack) {
        const Ref<UnitStack>& object = (*held)[stack.owner];
        object->GetQuantity(quantity);
        CountOneMore(quantity);
        object->SetQuantity(quantity);
    } else if (!(stack.quantity & kQuantityIsText)) {
        if (stack.quantity < static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
            ++stack.quantity;
        }
    } else {
        QuantityText(stack.quantity, quantity);
        CountOneMore(quantity);
        stack.quantity = QuantityOf(quantity);
    }
}

void TerritoryStateImpl::StackKey(std::int32_t index, TextTable::Id& type, TextTable::Id& owner_) {
    const StackRecord& stack = stacks[static_cast<std::size_t>(index)];
    if (stack.type != kHeldStack) {
        type = stack.type;
        owner_ = stack.owner;
        return;
    }
    std::string text;
    const Ref<UnitStack>& object = (*held)[stack.owner];
    object->GetType(text);
    type = Texts().Intern(text);
    object->GetOwner(text);
    owner_ = Texts().Intern(text);
}

void TerritoryStateImpl::FitStacks() {
    if (stacks.capacity() > stacks.size()) stacks.shrink_to_fit();
}

void TerritoryStateImpl::ReadStack(std::int32_t index, std::string* type, std::string* owner_,
                                   std::string* quantity) {
    const StackRecord& stack = stacks[static_cast<std::size_t>(index)];
    if (type) *type = TextOf(stack.type);
    if (owner_) *owner_ = TextOf(stack.owner);
    if (quantity) QuantityText(stack.quantity, *quantity);
}

void TerritoryStateImpl::WriteStack(std::int32_t index, const std::string* type,
                                    const std::string* owner_, const std::string* quantity) {
    StackRecord& stack = stacks[static_cast<std::size_t>(index)];
    if (type) stack.type = Texts().Intern(*type);
    if (owner_) stack.owner = Texts().Intern(*owner_);
    if (quantity) stack.quantity = QuantityOf(*quantity);
}

std::mutex& TerritoryStateImpl::ViewLock() {
    static auto* lock = new std::mutex();  // never destroyed: views may outlive static destruction
    return *lock;
}

TerritoryStateImpl::LiveViews& TerritoryStateImpl::Views() {
    static auto* views = new LiveViews();  // guarded by ViewLock, never destroyed
    return *views;
}

void TerritoryStateImpl::ForgetView(UnitStackImpl* view) {
    Ref<TerritoryStateImpl> shown;  // dropped after the lock
    {
        const std::lock_guard<std::mutex> lock(ViewLock());
        if (!view->Shown()) return;
        LiveViews& views = Views();
        const auto range = views.equal_range(view->Shown());
        for (auto it = range.first; it != range.second; ++it) {
            if (it->second == view) {
                views.erase(it);
                break;
            }
        }
        shown = view->StopShowing();
    }
}

Ref<TerritoryStateImpl> MakeTerritoryState(Ref<TextTable> table) {
    return Ref<TerritoryStateImpl>(new RefCounted<TerritoryStateImpl>(std::move(table)));
}

HResult CreateTerritoryState(TerritoryState** out) {
    TerritoryState* state = new RefCounted<TerritoryStateImpl>();
    state->AddRef();
    *out = state;
    return kResultOk;
}
