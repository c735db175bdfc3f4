// String literals: the process-wide literal table (literal id → text) and the per-thread staging
// that lets a host rebuild the whole table while the module keeps running and swap it in at once.
#include <string>
#include <utility>

#include "tessel_dynload/internal/registry_tables.hpp"
#include "tessel_dynload/internal/utf8.hpp"
#include "tessel_dynload/tessel_dynload.hpp"

namespace tessel::internal {

Table<StringLiteralMap>& string_literal_table() {
    static auto* table = new Table<StringLiteralMap>("jit string literal table mutex poisoned");
    return *table;
}

std::optional<int32_t> literal_byte(int32_t id, int32_t index) {
    auto literals = string_literal_table().lock();
    const std::string* text = literals->find(id);
    if (text == nullptr) return std::nullopt;
    if (index < 0 || static_cast<std::size_t>(index) >= text->size()) return 0;
    return static_cast<uint8_t>((*text)[static_cast<std::size_t>(index)]);
}

std::optional<LiteralLength> literal_length(int32_t id) {
    auto literals = string_literal_table().lock();
    const std::string* text = literals->find(id);
    if (text == nullptr) return std::nullopt;
    return LiteralLength{text->size(), utf8_scalar_count(*text)};
}

namespace {

/** Literals staged on one thread while the module binds again. */
struct JitStringLiteralStage {
    std::optional<std::string> error;  // the first collision
    LiteralMap staged;
};

thread_local std::optional<JitStringLiteralStage> literal_stage;

}  // namespace

}  // namespace tessel::internal

namespace tessel {

using namespace internal;

void upsert_jit_string_literal(int32_t id, std::string text) {
    if (literal_stage) {
        auto [staged, inserted] = literal_stage->staged.try_emplace(id, std::move(text));
        // try_emplace leaves text untouched when the id is already staged.
        if (!inserted && staged->second != text && !literal_stage->error) {
            literal_stage->error = "JIT string literal hash collision for id " + std::to_string(id) + ": '" +
                                   staged->second + "' vs '" + text + "'";
        }
        return;
    }
    auto literals = string_literal_table().lock();
    literals->insert_or_assign(id, std::move(text));
}

void clear_jit_string_literal_table() {
    StringLiteralMap removed;
    auto literals = string_literal_table().lock();
    std::swap(*literals, removed);
    literals.unlock();
}

std::optional<std::string> jit_string_literal_value(int32_t id) {
    auto literals = string_literal_table().lock();
    const std::string* text = literals->find(id);
    if (text == nullptr) return std::nullopt;
    return *text;
}

Status begin_jit_string_literal_staging() {
    if (literal_stage) return Status::failure("JIT string literal staging is already active on this thread");
    literal_stage.emplace();
    return {};
}

Result<LiteralMap> finish_jit_string_literal_staging() {
    if (!literal_stage) return Result<LiteralMap>::failure("JIT string literal staging is not active");
    JitStringLiteralStage stage = std::move(*literal_stage);
    literal_stage.reset();
    if (stage.error) return Result<LiteralMap>::failure(std::move(*stage.error));
    return std::move(stage.staged);
}

void replace_jit_string_literal_table(const LiteralMap& map) {
    // Built outside the lock, swapped in under it: readers see the old table or the new one.
    StringLiteralMap replacement;
    for (const auto& [id, text] : map) replacement.insert_or_assign(id, text);
    auto literals = string_literal_table().lock();
    std::swap(*literals, replacement);
    literals.unlock();
}

}  // namespace tessel

using namespace tessel;

void tessel_jit_upsert_string_literal(int32_t id, const char* text) noexcept {
    if (text == nullptr) return;
    std::string_view view(text);
    if (!is_valid_utf8(view)) return;
    upsert_jit_string_literal(id, std::string(view));
}

void tessel_jit_clear_string_literal_table() noexcept { clear_jit_string_literal_table(); }
