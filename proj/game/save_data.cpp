// The save record's byte image, checksum and guarded array accessors.
#include "proj/game/save_data.h"

#include <cstring>

namespace Sample {

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        }
        t[i] = c;
    }
    return t;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

void Put32(std::uint8_t* p, std::uint32_t x) {
    std::uint8_t b[4] = {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8),
                         static_cast<std::uint8_t>(x >> 16), static_cast<std::uint8_t>(x >> 24)};
    std::memcpy(p, b, 4);
}
std::uint32_t Get32(const std::uint8_t* p) {
    std::uint8_t b[4];
    std::memcpy(b, p, 4);
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}
void PutI32(std::uint8_t* p, std::int32_t x) {
    Put32(p, static_cast<std::uint32_t>(x));
}
std::int32_t GetI32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(Get32(p));
}

bool KeyInRange(std::int32_t row, std::int32_t column) {
    return row >= 0 && row < SaveData::kKeyRows && column >= 0 && column < SaveData::kKeyColumns;
}
bool TeamInRange(std::int32_t index) {
    return index >= 0 && index < SaveData::kTeams;
}

}  // namespace

std::uint32_t SaveDataCrc(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc = (crc >> 8) ^ kCrcTable[(crc ^ data[i]) & 0xFFu];
    }
    return crc;
}

std::uint32_t SaveData::CalcChecksum(const SaveData& record) {
    Bytes b = record.Serialize();
    return SaveDataCrc(b.data() + SaveDataLayout::kMagic, kSize - SaveDataLayout::kMagic);
}

void SaveData::Reset(SaveData& record) {
    const Bytes zero{};
    record.Parse(zero.data(), zero.size());
    record.magic = kMagic;
    record.size = kSize;
    record.version = kVersion;
    record.checksum = CalcChecksum(record);
}

SaveData::Bytes SaveData::Serialize() const {
    namespace L = SaveDataLayout;
    Bytes b{};
    Put32(&b[L::kChecksum], checksum);
    Put32(&b[L::kMagic], magic);
    Put32(&b[L::kSize], size);
    Put32(&b[L::kVersion], version);
    const std::int32_t scalars[] = {VolumeBGM, VolumeSE,   TextSpeed,
                                    Language,  FullScreen, Resolution};
    for (std::size_t i = 0; i < 6; ++i) {
        PutI32(&b[L::kVolumeBGM + 4 * i], scalars[i]);
    }
    for (int r = 0; r < kKeyRows; ++r) {
        for (int c = 0; c < kKeyColumns; ++c) {
            PutI32(&b[L::kOptionKeys + 4 * static_cast<std::size_t>(kKeyColumns * r + c)],
                   optionKeys[r][c]);
        }
    }
    for (int i = 0; i < kTeams; ++i) {
        PutI32(&b[L::kUseTeam + 4 * static_cast<std::size_t>(i)], useTeam[i]);
        PutI32(&b[L::kArcadeWinTeam + 4 * static_cast<std::size_t>(i)], arcadeWinTeam[i]);
    }
    return b;
}

bool SaveData::Parse(const std::uint8_t* data, std::size_t length) {
    namespace L = SaveDataLayout;
    if (!data || length < kSize) {
        return false;
    }
    const std::uint8_t* b = data;
    checksum = Get32(b + L::kChecksum);
    magic = Get32(b + L::kMagic);
    size = Get32(b + L::kSize);
    version = Get32(b + L::kVersion);
    std::int32_t* scalars[] = {&VolumeBGM, &VolumeSE,   &TextSpeed,
                               &Language,  &FullScreen, &Resolution};
    for (std::size_t i = 0; i < 6; ++i) {
        *scalars[i] = GetI32(b + L::kVolumeBGM + 4 * i);
    }
    for (int r = 0; r < kKeyRows; ++r) {
        for (int c = 0; c < kKeyColumns; ++c) {
            optionKeys[r][c] =
                GetI32(b + L::kOptionKeys + 4 * static_cast<std::size_t>(kKeyColumns * r + c));
        }
    }
    for (int i = 0; i < kTeams; ++i) {
        useTeam[i] = GetI32(b + L::kUseTeam + 4 * static_cast<std::size_t>(i));
        arcadeWinTeam[i] = GetI32(b + L::kArcadeWinTeam + 4 * static_cast<std::size_t>(i));
    }
    return true;
}

void SaveData::SetOptionKey(std::int32_t row, std::int32_t column, std::int32_t value) {
    if (KeyInRange(row, column)) {
        optionKeys[row][column] = value;
    }
}
std::int32_t SaveData::GetOptionKey(std::int32_t row, std::int32_t column) const {
    return KeyInRange(row, column) ? optionKeys[row][column] : 0;
}
void SaveData::SetUseTeam(std::int32_t index, std::int32_t value) {
    if (TeamInRange(index)) {
        useTeam[index] = value;
    }
}
std::int32_t SaveData::GetUseTeam(std::int32_t index) const {
    return TeamInRange(index) ? useTeam[index] : 0;
}
void SaveData::SetArcadeWinTeam(std::int32_t index, std::int32_t value) {
    if (TeamInRange(index) && value > arcadeWinTeam[index]) {
        arcadeWinTeam[index] = value;
    }
}
std::int32_t SaveData::GetArcadeWinTeam(std::int32_t index) const {
    return TeamInRange(index) ? arcadeWinTeam[index] : 0;
}

}  // namespace Sample
