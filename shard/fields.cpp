// Checking the frame of a file before its fields are read.
#include "shard/fields.h"

namespace codetwin::shard {

Unsealed unseal(std::string_view bytes, std::string_view magic, std::uint32_t version,
                const std::string& what) {
  Unsealed unsealed;
  if (bytes.substr(0, magic.size()) != magic) {
    unsealed.error = "不是 codetwin-class 的" + what;
    return unsealed;
  }
  if (bytes.size() < magic.size() + 4 + 8) {
    unsealed.error = what + "不完整（被截断）";
    return unsealed;
  }
  Reader version_reader(bytes.substr(magic.size()));
  const std::uint32_t found = version_reader.u32();
  if (found != version) {
    unsealed.error = what + "的格式版本是 " + std::to_string(found) + "，本程序读写的是 " +
                     std::to_string(version);
    return unsealed;
  }
  const std::string_view body = bytes.substr(0, bytes.size() - 8);
  Reader checksum(bytes.substr(bytes.size() - 8));
  if (checksum.u64() != digest_of(body)) {
    unsealed.error = what + "已损坏（校验和不符：被截断或改动过）";
    return unsealed;
  }
  unsealed.fields = body.substr(magic.size() + 4);
  return unsealed;
}

}  // namespace codetwin::shard
