// Positions and constants of the PE/COFF format as this unit uses them, and the resource
// directory layout. Offsets marked "from the signature" are relative to e_lfanew.
#pragma once

#include <cstdint>
#include <string>

namespace pe {

// DOS header.
constexpr std::uint32_t kMinImageSize = 64;  // a file must be larger than this
constexpr std::uint32_t kLfanew = 60;

// From the signature. The section table always follows a PE32 optional header with its
// sixteen directories, so it starts 248 bytes after the signature.
constexpr std::uint32_t kNumberOfSections = 6;
constexpr std::uint32_t kPointerToSymbolTable = 12;
constexpr std::uint32_t kNumberOfSymbols = 16;
constexpr std::uint32_t kSizeOfOptionalHeader = 20;
constexpr std::uint32_t kMagic = 24;
constexpr std::uint32_t kSizeOfInitializedData = 24 + 8;
constexpr std::uint32_t kSectionAlignment = 24 + 32;
constexpr std::uint32_t kFileAlignment = 24 + 36;
constexpr std::uint32_t kSizeOfImage = 24 + 56;
constexpr std::uint32_t kSizeOfHeaders = 24 + 60;
constexpr std::uint32_t kNumberOfRvaAndSizes = 24 + 92;
constexpr std::uint32_t kDataDirectories = 24 + 96;
constexpr std::uint32_t kSectionTable = 248;

constexpr std::uint16_t kMagicPE32 = 0x10B;
constexpr std::uint16_t kMagicPE32Plus = 0x20B;
constexpr std::uint16_t kPE32OptionalHeaderSize = 224;
constexpr std::uint32_t kDirectorySlots = 16;  // what 224 bytes of optional header hold
constexpr std::uint32_t kDirectorySize = 8;

constexpr int kResourceDirectory = 2;
constexpr int kCertificateDirectory = 4;
constexpr int kBoundImportDirectory = 11;

// One section header.
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kSecName = 0;
constexpr std::uint32_t kSecNameSize = 8;
constexpr std::uint32_t kSecVirtualSize = 8;
constexpr std::uint32_t kSecVirtualAddress = 12;
constexpr std::uint32_t kSecSizeOfRawData = 16;
constexpr std::uint32_t kSecPointerToRawData = 20;
constexpr std::uint32_t kSecCharacteristics = 36;

constexpr std::uint32_t kCodeFlag = 0x20;
constexpr std::uint32_t kResourceSectionFlags = 0x40000040;  // initialized data, readable
inline constexpr char kResourceSectionName[] = ".rsrc";

// Resource directory (offsets from the table, the entry or the data entry).
constexpr std::uint32_t kDirTableSize = 16;
constexpr std::uint32_t kDirCharacteristics = 0;
constexpr std::uint32_t kDirTimeDateStamp = 4;
constexpr std::uint32_t kDirMajorVersion = 8;
constexpr std::uint32_t kDirMinorVersion = 10;
constexpr std::uint32_t kDirNamedEntries = 12;
constexpr std::uint32_t kDirIdEntries = 14;
constexpr std::uint32_t kDirEntrySize = 8;
constexpr std::uint32_t kEntryName = 0;
constexpr std::uint32_t kEntryOffsetToData = 4;
constexpr std::uint32_t kDataEntrySize = 16;
constexpr std::uint32_t kDataRva = 0;
constexpr std::uint32_t kDataSize = 4;
constexpr std::uint32_t kDataCodePage = 8;
constexpr std::uint32_t kHighBit = 0x80000000u;

// Written into MajorVersion and MinorVersion of a language table the writer has changed.
constexpr std::uint8_t kEditMarker[4] = {'T', 'a', 'r', 'n'};

// Section name comparison: at most 8 characters, ASCII case ignored, ending at a zero
// byte on either side. `name8` is the 8-byte field of a section header.
bool SectionNameIs(const std::uint8_t* name8, const std::string& name);

// Little-endian stores into blocks this unit owns (header copies, directory buffers).
void PutU16(std::uint8_t* at, std::uint16_t value);
void PutU32(std::uint8_t* at, std::uint32_t value);

}  // namespace pe
