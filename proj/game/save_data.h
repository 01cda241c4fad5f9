// The save record: 304 bytes kept whole in "SAVEDATA/SAVE00.BIN", little-endian,
// with a CRC-32/JAMCRC over bytes 4 to 303 at offset 0. Fields are read and
// written byte by byte (no struct image); indices outside the arrays are
// refused (a set does nothing, a get answers 0).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct SQVM;

namespace Sample {

// CRC-32/JAMCRC (reflected, polynomial 0xEDB88320, initial 0xFFFFFFFF, no final
// inversion).
std::uint32_t SaveDataCrc(const std::uint8_t* data, std::size_t size);

struct SaveData {
    static constexpr std::size_t kSize = 304;
    static constexpr std::uint32_t kMagic = 0x45564153u;  // "SAVE"
    static constexpr std::uint32_t kVersion = 1;
    static constexpr int kKeyRows = 4;
    static constexpr int kKeyColumns = 4;
    static constexpr int kTeams = 25;
    using Bytes = std::array<std::uint8_t, kSize>;

    SaveData() { Reset(*this); }
    SaveData(const SaveData&) = default;
    SaveData& operator=(const SaveData&) = default;
    // Tells a pending load that its record is gone.
    ~SaveData() {
        if (onDestroy) {
            onDestroy(this);
        }
    }
    static inline void (*onDestroy)(const SaveData*) = nullptr;

    // The checksum of bytes 4 to 303 of the record's file image.
    static std::uint32_t CalcChecksum(const SaveData& record);
    // Defaults (magic, size, version, all else zero), then the checksum.
    static void Reset(SaveData& record);

    Bytes Serialize() const;
    // Takes the first 304 bytes; a shorter input is refused and changes nothing.
    bool Parse(const std::uint8_t* data, std::size_t size);

    void SetOptionKey(std::int32_t row, std::int32_t column, std::int32_t value);
    std::int32_t GetOptionKey(std::int32_t row, std::int32_t column) const;
    void SetUseTeam(std::int32_t index, std::int32_t value);
    std::int32_t GetUseTeam(std::int32_t index) const;
    // Stores only a value greater than the one held.
    void SetArcadeWinTeam(std::int32_t index, std::int32_t value);
    std::int32_t GetArcadeWinTeam(std::int32_t index) const;

    // Registers the script class "SQ_SaveData" into the table on top of the stack.
    static void RegisterScriptClass(SQVM* v);

    std::uint32_t checksum = 0;
    std::uint32_t magic = kMagic;
    std::uint32_t size = kSize;
    std::uint32_t version = kVersion;
    std::int32_t VolumeBGM = 0;
    std::int32_t VolumeSE = 0;
    std::int32_t TextSpeed = 0;
    std::int32_t Language = 0;
    std::int32_t FullScreen = 0;
    std::int32_t Resolution = 0;
    std::int32_t optionKeys[kKeyRows][kKeyColumns] = {};
    std::int32_t useTeam[kTeams] = {};
    std::int32_t arcadeWinTeam[kTeams] = {};
};

// File offsets of the record's fields.
namespace SaveDataLayout {
constexpr std::size_t kChecksum = 0;
constexpr std::size_t kMagic = 4;
constexpr std::size_t kSize = 8;
constexpr std::size_t kVersion = 12;
constexpr std::size_t kVolumeBGM = 16;
constexpr std::size_t kOptionKeys = 40;
constexpr std::size_t kUseTeam = kOptionKeys + 4 * SaveData::kKeyRows * SaveData::kKeyColumns;
constexpr std::size_t kArcadeWinTeam = kUseTeam + 4 * SaveData::kTeams;
constexpr std::size_t kEnd = kArcadeWinTeam + 4 * SaveData::kTeams;
static_assert(kUseTeam == 104 && kArcadeWinTeam == 204);
static_assert(kEnd == SaveData::kSize, "the save record is 304 bytes");
}  // namespace SaveDataLayout

}  // namespace Sample
