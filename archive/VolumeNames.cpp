#include "archive/VolumeNames.h"

#include "archive/Paths.h"

namespace corvina::archive {

void NextVolumeName(const std::string& name, ArchiveFormat type, char& letter, int& volume) {
  const char* defaultExt = nullptr;
  switch (type) {
    case ArchiveFormat::Ace:
      letter = 'C';
      defaultExt = "Ace";
      break;
    case ArchiveFormat::Arj:
      letter = 'a';
      defaultExt = "Arj";
      break;
    case ArchiveFormat::Jar:
    case ArchiveFormat::JarSfx:
      letter = 'j';
      defaultExt = "Jar";
      break;
    default: volume = 0; return;
  }
  std::string ext = ExtensionOf(name);
  if (!ext.empty()) ext.erase(0, 1);
  if (ext.empty()) ext = defaultExt;
  size_t end = ext.size(), start = end;
  while (start > 0 && ext[start - 1] >= '0' && ext[start - 1] <= '9') --start;
  if (start < end) {
    volume = std::atoi(ext.substr(start).c_str()) + 1;
    letter = ext[0];
  } else {
    volume = (type == ArchiveFormat::Arj || type == ArchiveFormat::ArjSfx) ? 1 : 0;
  }
}
}  // namespace corvina::archive
