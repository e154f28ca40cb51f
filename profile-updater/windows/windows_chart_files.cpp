#include "profile-updater/windows/windows_chart_files.h"

#include <windows.h>

#include <memory>

#include "platform/unique_handle_windows.h"
#include "profile-updater/profile_rewrite.h"

namespace {

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

struct FindCloser {
  void operator()(HANDLE find) const { FindClose(find); }
};
using UniqueFind = std::unique_ptr<void, FindCloser>;

UniqueHandle OpenExclusively(const std::u16string& path, DWORD access, DWORD disposition) {
  return UniqueHandle(CreateFileW(Wide(path), access, /*dwShareMode=*/0, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteWhole(HANDLE file, std::string_view content) {
  while (!content.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size(), 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file, content.data(), chunk, &written, nullptr) || written == 0) return false;
    content.remove_prefix(written);
  }
  return FlushFileBuffers(file) != 0;
}

}  // namespace

std::vector<std::u16string> WindowsChartFiles::List(const std::u16string& folder) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW entry;
  HANDLE first = FindFirstFileW(Wide(InFolder(folder, u"*.chr")), &entry);
  if (first == INVALID_HANDLE_VALUE) return names;
  const UniqueFind find(first);
  do {
    const auto* name = reinterpret_cast<const char16_t*>(entry.cFileName);
    names.emplace_back(name);
  } while (FindNextFileW(find.get(), &entry));
  return names;
}

std::optional<std::string> WindowsChartFiles::Read(const std::u16string& path) {
  const UniqueHandle file = OpenExclusively(path, GENERIC_READ, OPEN_EXISTING);
  LARGE_INTEGER size;
  if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > kMaxChartBytes) {
    return std::nullopt;
  }
  std::string content(static_cast<std::size_t>(size.QuadPart), '\0');
  for (std::size_t done = 0; done < content.size();) {
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(content.size() - done);
    if (!ReadFile(file.Get(), content.data() + done, wanted, &read, nullptr) || read == 0) {
      return std::nullopt;  // a short read: the chart is left alone
    }
    done += read;
  }
  return content;
}

bool WindowsChartFiles::Replace(const std::u16string& path, std::string_view content) {
  const std::u16string temporary = path + kTemporarySuffix;
  bool written;
  {
    const UniqueHandle file = OpenExclusively(temporary, GENERIC_WRITE, CREATE_ALWAYS);
    if (!file) return false;
    written = WriteWhole(file.Get(), content);
  }
  if (written && MoveFileExW(Wide(temporary), Wide(path),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  DeleteFileW(Wide(temporary));
  return false;
}
