// Views in a dumped view tree (the JSON of `dump window`, a page or an alert).
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace view_tree {

// The first view at or below `node` (depth first, content views included) whose `key` equals
// `value`, or null.
inline const nlohmann::json* findView(const nlohmann::json& node, const std::string& key, const std::string& value) {
  if (!node.is_object()) return nullptr;
  if (node.contains(key) && node[key] == value) return &node;
  if (node.contains("contentView"))
    if (auto found = findView(node["contentView"], key, value)) return found;
  if (node.contains("subviews"))
    for (const auto& sub : node["subviews"])
      if (auto found = findView(sub, key, value)) return found;
  return nullptr;
}

// The view with that property name.
inline const nlohmann::json* findView(const nlohmann::json& node, const std::string& property) {
  return findView(node, "property", property);
}

}  // namespace view_tree
