#include "archive/ArchiveTypes.h"

namespace corvina::archive {

// ---------------------------------------------------------------- messages and type names

std::string LoadMessage(int code) {
  switch (code) {
    case msg::BadFileHeader: return "Bad file header";
    case msg::BadLocalOffset: return "Bad offset to local header";
    case msg::BadBlock: return "Bad block";
    case msg::WriteError: return "Error writing to file";
    case msg::AttribOverwrite: return "Unsupported file attrib for overwrite";
    case msg::CloseError: return "Error closing file";
    case msg::CreateDirError: return "Error creating dir";
    case msg::CrcError: return "File fails CRC check";
    case msg::UnableCreateDir: return "Unable to create directory";
    case msg::InvalidDirectory: return "Invalid directory";
    case msg::DiskFull: return "Disk full";
    case msg::NotAccessible: return "is not accessible";
    case msg::FileNotFound: return "File not found";
    case msg::OpenError: return "Error opening file";
    case msg::AccessPermissions: return "Access permissions";
    case msg::RegistryDenied: return "Registry permissions denied";
    case msg::EventNotAssigned: return "Required event not assigned";
    case msg::StackOverflow: return "Stack overflow";
    case msg::UnsupportedMethod: return "Unsupported compression method";
    case msg::UnsupportedPassword: return "Unsupported password encryption";
    case msg::UserCanceled: return "User canceled";
    case msg::InvalidPassword: return "Invalid password";
    default: return {};
  }
}

const char* ArchiveTypeName(ArchiveFormat type) {
  static const char* const names[kArchiveTypeCount] = {
      "Not avail.", "Unsupport.", "File Error", "Unknown   ", "ACE       ", "ACE SFX   ", "ARC       ", "ARC SFX   ",
      "ARJ       ", "ARJ SFX   ", "Base64    ", "BH        ", "BH  SFX   ", "BZ2       ", "CAB       ", "CAB SFX   ",
      "GZip      ", "HA        ", "Java JAR  ", "JJAR SFX  ", "LHA       ", "LHA SFX   ", "LZH       ", "LZH SFX   ",
      "MsGZ      ", "PAK       ", "PAK SFX   ", "RAR       ", "RAR SFX   ", "TAR       ", "TarGzip   ", "TarBzip   ",
      "UUE       ", "ZIP       ", "ZIP SFX   ", "Zip Span  ", "Zip MVol  ", "ZOO       "};
  return int(type) < kArchiveTypeCount ? names[int(type)] : names[0];
}
}  // namespace corvina::archive
