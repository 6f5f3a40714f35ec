#include "support/ArgumentList.h"

namespace mvq {

std::string DescribeArguments(const ArgumentList& args) {
  std::string out;
  for (size_t i = 0; i < args.size(); ++i) {
    out += " 参数" + std::to_string(i) + "=";
    if (const auto* n = std::get_if<int32_t>(&args[i])) {
      out += std::to_string(*n);
    } else {
      out += std::get<std::string>(args[i]);
    }
  }
  return out;
}

db::Params ToParams(const ArgumentList& args) {
  db::Params params;
  params.reserve(args.size());
  for (const auto& a : args) {
    if (const auto* n = std::get_if<int32_t>(&a)) {
      params.push_back({db::Variant(int64_t{*n}), {}});
    } else {
      params.push_back({db::Variant(std::get<std::string>(a)), {}});
    }
  }
  return params;
}

}  // namespace mvq
