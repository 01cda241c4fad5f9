// Save files from disk: any bytes either parse (304 or more) or are refused,
// and a parsed record serialises back to the same 304 bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "proj/game/save_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Sample::SaveData r;
    if (!r.Parse(data, size)) {
        if (size >= Sample::SaveData::kSize) {
            std::abort();
        }
        return 0;
    }
    Sample::SaveData::Bytes b = r.Serialize();
    if (std::memcmp(b.data(), data, b.size()) != 0) {
        std::abort();
    }
    (void)Sample::SaveData::CalcChecksum(r);
    return 0;
}
