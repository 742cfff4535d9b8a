// read_evidence(): evidence_of() over the files on disk, or in memory as
// an archive gave them.
#include "classrun/evidence.h"
#include "platform/paths.h"

namespace codetwin::classrun {

namespace {

const char* failure_text(platform::ReadFailure failure) {
  switch (failure) {
    case platform::ReadFailure::kMissing:
      return "文件已不存在";
    case platform::ReadFailure::kNotRegular:
      return "不是普通文件";
    case platform::ReadFailure::kUnreadable:
      break;
  }
  return "无法读取";
}

}  // namespace

Evidence read_evidence(const ClassResult& result) {
  const FileReader read = [](const SourceFile& file,
                             std::string& why) -> std::optional<std::string> {
    if (file.contents != nullptr) return *file.contents;
    if (!file.unreadable.empty()) {
      why = file.unreadable;
      return std::nullopt;
    }
    platform::FileBytes bytes = platform::read_file(file.path);
    if (bytes.failure) {
      why = failure_text(*bytes.failure);
      return std::nullopt;
    }
    return std::move(bytes.bytes);
  };
  return evidence_of(result, read);
}

}  // namespace codetwin::classrun
