// Fuzz target: a file in the program's own exchange format taken apart by the import's reader,
// compared with the literal reading of the same steps (the oracle of the exchange tests). The
// oracle is quadratic, so larger inputs are only read, which must stay fast (libFuzzer's time
// limit catches a reader that is not).
#include "../native/exchange/literal_exchange.h"
#include "exchange/import_text.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qm;
    using namespace qm::testing;
    const std::string_view text = fuzz::Bytes(data, size);
    const NativeContent read = ReadNativeText(text);
    std::vector<std::vector<std::string_view>> records;
    for (std::string_view record : read.records.items) records.push_back(RecordFields(record));
    if (size > 4096) return 0;

    const LiteralRead literal = LiteralReadNative(std::string(text));
    QM_FUZZ_CHECK(read.Unreadable() == (literal.unclosed || literal.skipped));
    QM_FUZZ_CHECK(read.categories.items.size() == literal.categories.size());
    for (std::size_t i = 0; i < literal.categories.size(); ++i)
        QM_FUZZ_CHECK(read.categories.items[i] == literal.categories[i]);
    QM_FUZZ_CHECK(records.size() == literal.records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        for (std::size_t k = 0; k < 10; ++k) QM_FUZZ_CHECK(records[i][k] == literal.records[i][k]);
    return 0;
}
