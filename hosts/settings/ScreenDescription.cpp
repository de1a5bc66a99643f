// The Settings app's third job: describing what is on screen as JSON (the pages, the bar, the
// rows with their values, the appearance settings and the presented sheet).
#include <glib.h>

#include "hosts/settings/SettingsHost.hpp"
#include "platform/social/SLComposeViewController.hpp"
#include "platform/uikit/UIAppearance.hpp"

namespace {

// Shows what is drawn: the alpha of a view that is being faded.
void drawnAlpha(const UIView& view, nlohmann::json& out) { out["alpha"] = view.presentationAlpha(); }

std::string sha256(const std::string& bytes) {
  gchar* hex = g_compute_checksum_for_data(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
  std::string out(hex);
  g_free(hex);
  return out;
}

nlohmann::json describeMail(const MFMailComposeViewController& mail) {
  nlohmann::json attachments = nlohmann::json::array();
  for (const auto& a : mail.attachments())
    attachments.push_back({{"name", a.fileName}, {"mime", a.mimeType}, {"size", a.data.size()}, {"digest", sha256(a.data)}});
  return {{"type", "mail"},
          {"subject", mail.subject() ? nlohmann::json(*mail.subject()) : nlohmann::json(nullptr)},
          {"to", mail.toRecipients()},
          {"body", mail.messageBody()},
          {"isHTML", mail.isHTML()},
          {"attachments", attachments},
          {"delegate", mail.hasMailComposeDelegate()}};
}

}  // namespace

nlohmann::json propertyListJson(const plist::Value& value) {
  const auto& s = value.storage();
  if (std::holds_alternative<std::monostate>(s)) return nullptr;
  if (auto b = std::get_if<bool>(&s)) return *b;
  if (auto i = std::get_if<int64_t>(&s)) return *i;
  if (auto d = std::get_if<double>(&s)) return *d;
  if (auto str = std::get_if<std::string>(&s)) return *str;
  if (auto data = std::get_if<plist::Data>(&s)) return {{"data", data->size()}};
  if (auto date = std::get_if<plist::Date>(&s)) return {{"date", date->secondsSinceReference}};
  if (auto a = std::get_if<plist::Array>(&s)) {
    nlohmann::json out = nlohmann::json::array();
    for (const auto& v : *a) out.push_back(propertyListJson(v));
    return out;
  }
  nlohmann::json out = nlohmann::json::object();
  for (const auto& [k, v] : std::get<plist::Dictionary>(s)) out[k] = propertyListJson(v);
  return out;
}

nlohmann::json SettingsHost::describePane() const {
  if (!isPaneOpen()) return nullptr;
  nlohmann::json out;
  auto all = pages();
  nlohmann::json pageNames = nlohmann::json::array();
  for (const auto& p : all) pageNames.push_back(std::string(p->className()));
  out["pages"] = pageNames;
  auto page = all.empty() ? nullptr : all.back();
  out["title"] = page && page->title() ? nlohmann::json(*page->title()) : nlohmann::json(nullptr);

  auto bar = visibleNavigationBar();
  nlohmann::json barJson;
  barJson["tintColor"] = colorJson(bar ? bar->tintColor() : nullptr);
  auto item = page ? page->navigationItem() : nullptr;
  barJson["titleView"] = item && item->titleView ? item->titleView->describeTree(drawnAlpha) : nlohmann::json(nullptr);
  if (item && item->rightBarButtonItem)
    barJson["rightButton"] = {{"systemItem", item->rightBarButtonItem->systemItem}, {"action", item->rightBarButtonItem->action}};
  else
    barJson["rightButton"] = nullptr;
  out["navigationBar"] = barJson;

  nlohmann::json sections = nlohmann::json::array();
  if (page && page->table()) {
    auto table = page->table();
    for (long s = 0; s < table->numberOfSections(); ++s) {
      nlohmann::json section;
      auto header = table->headerViewForSection(s);
      section["header"] = header ? header->describeTree(drawnAlpha) : nlohmann::json(nullptr);
      section["headerHeight"] = table->askedHeaderHeightForSection(s);
      auto footer = table->footerTitleForSection(s);
      section["footer"] = footer ? nlohmann::json(*footer) : nlohmann::json(nullptr);
      nlohmann::json rows = nlohmann::json::array();
      for (long r = 0; r < table->numberOfRowsInSection(s); ++r) {
        auto specifier = page->specifierAtIndexPath({s, r});
        auto cell = std::dynamic_pointer_cast<PSTableCell>(table->cellForRowAtIndexPath({s, r}));
        nlohmann::json row;
        row["label"] = specifier && specifier->name() ? nlohmann::json(*specifier->name()) : nlohmann::json(nullptr);
        row["cell"] = specifier ? propertyListJson(specifier->propertyForKey("cell")) : nlohmann::json(nullptr);
        row["cellClass"] = cell ? nlohmann::json(std::string(cell->className())) : nlohmann::json(nullptr);
        row["key"] = specifier && specifier->key() ? nlohmann::json(*specifier->key()) : nlohmann::json(nullptr);
        plist::Value value;
        if (specifier && specifier->hasValue())
          if (auto target = std::dynamic_pointer_cast<PSListController>(specifier->target())) value = target->readPreferenceValue(specifier);
        row["value"] = propertyListJson(value);
        row["min"] = specifier ? propertyListJson(specifier->propertyForKey("min")) : nlohmann::json(nullptr);
        row["max"] = specifier ? propertyListJson(specifier->propertyForKey("max")) : nlohmann::json(nullptr);
        row["titleColor"] = cell && cell->titleLabel() ? colorJson(cell->titleLabel()->textColor()) : nlohmann::json(nullptr);
        row["view"] = cell ? cell->describeTree(drawnAlpha) : nlohmann::json(nullptr);
        rows.push_back(row);
      }
      section["rows"] = rows;
      sections.push_back(section);
    }
  }
  out["sections"] = sections;
  out["appearance"] = UIAppearance::describe();

  auto sheet = presentedSheet();
  if (auto composer = std::dynamic_pointer_cast<SLComposeViewController>(sheet))
    out["presented"] = {{"type", "compose"},
                        {"text", composer->initialText() ? nlohmann::json(*composer->initialText()) : nlohmann::json(nullptr)}};
  else if (auto mail = std::dynamic_pointer_cast<MFMailComposeViewController>(sheet))
    out["presented"] = describeMail(*mail);
  else if (sheet)
    out["presented"] = {{"type", std::string(sheet->className())}};
  else
    out["presented"] = nullptr;
  return out;
}
