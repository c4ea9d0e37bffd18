// libFuzzer target over both packet readers. Any input must either be refused
// with qx::Error or give a table that the writers reproduce: what a reader
// accepts, written out and read back, is the same table with every value cut
// to the field width.
#include "common/error.h"
#include "localisation/datapacket.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

using qx::datapacket::Table;

void checkRoundTrip(const Table& table) {
    auto rows = table.rows;
    for (auto& row : rows)
        for (auto& value : row) value.resize(std::min(value.size(), qx::datapacket::kFieldWidth));
    if (qx::datapacket::readBinary(qx::datapacket::writeBinary(rows)).rows != rows) std::abort();
    if (qx::datapacket::readXml(qx::datapacket::writeXml(rows)).rows != rows) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        checkRoundTrip(qx::datapacket::readBinary(bytes));
    } catch (const qx::Error&) {
    }
    try {
        checkRoundTrip(qx::datapacket::readXml(bytes));
    } catch (const qx::Error&) {
    }
    return 0;
}
