// The Settings app's third job: describing what is on screen as JSON (the pages, the bar, the
// rows with their values, the appearance settings and the presented sheet).
#include <glib.h>

#include "hosts/settings/SettingsHost.hpp"
#include "platform/plist/PropertyListJson.hpp"
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

namespace {

template <class T>
nlohmann::json orNull(const T& value) {
  return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

// The bar: its tint, the page's title view and its right button.
nlohmann::json describeBar(const UINavigationBarRef& bar, const PSListControllerRef& page) {
  nlohmann::json out;
  out["tintColor"] = colorJson(bar ? bar->tintColor() : nullptr);
  auto item = page ? page->navigationItem() : nullptr;
  out["titleView"] = item && item->titleView ? item->titleView->describeTree(drawnAlpha) : nlohmann::json(nullptr);
  if (item && item->rightBarButtonItem)
    out["rightButton"] = {{"systemItem", item->rightBarButtonItem->systemItem}, {"action", item->rightBarButtonItem->action}};
  else
    out["rightButton"] = nullptr;
  return out;
}

// One row: what its specifier says, the value the page reads for it, and its cell as drawn.
nlohmann::json describeRow(const PSListController& page, UITableView& table, NSIndexPath path) {
  auto specifier = page.specifierAtIndexPath(path);
  auto cell = std::dynamic_pointer_cast<PSTableCell>(table.cellForRowAtIndexPath(path));
  auto property = [&](const char* key) {
    return specifier ? propertyListJson(specifier->propertyForKey(key)) : nlohmann::json(nullptr);
  };
  nlohmann::json row;
  row["label"] = specifier ? orNull(specifier->name()) : nlohmann::json(nullptr);
  row["cell"] = property("cell");
  row["cellClass"] = cell ? nlohmann::json(std::string(cell->className())) : nlohmann::json(nullptr);
  row["key"] = specifier ? orNull(specifier->key()) : nlohmann::json(nullptr);
  plist::Value value;
  if (specifier && specifier->hasValue())
    if (auto target = std::dynamic_pointer_cast<PSListController>(specifier->target()))
      value = target->readPreferenceValue(specifier);
  row["value"] = propertyListJson(value);
  row["min"] = property("min");
  row["max"] = property("max");
  row["titleColor"] = cell && cell->titleLabel() ? colorJson(cell->titleLabel()->textColor()) : nlohmann::json(nullptr);
  row["view"] = cell ? cell->describeTree(drawnAlpha) : nlohmann::json(nullptr);
  return row;
}

// The page's table, section by section: header, footer and rows.
nlohmann::json describeSections(const PSListControllerRef& page) {
  nlohmann::json sections = nlohmann::json::array();
  if (!page || !page->table()) return sections;
  auto table = page->table();
  for (long s = 0; s < table->numberOfSections(); ++s) {
    nlohmann::json section;
    auto header = table->headerViewForSection(s);
    section["header"] = header ? header->describeTree(drawnAlpha) : nlohmann::json(nullptr);
    section["headerHeight"] = table->askedHeaderHeightForSection(s);
    section["footer"] = orNull(table->footerTitleForSection(s));
    nlohmann::json rows = nlohmann::json::array();
    for (long r = 0; r < table->numberOfRowsInSection(s); ++r) rows.push_back(describeRow(*page, *table, {s, r}));
    section["rows"] = rows;
    sections.push_back(section);
  }
  return sections;
}

nlohmann::json describeSheet(const UIViewControllerRef& sheet) {
  if (auto composer = std::dynamic_pointer_cast<SLComposeViewController>(sheet))
    return {{"type", "compose"}, {"text", orNull(composer->initialText())}};
  if (auto mail = std::dynamic_pointer_cast<MFMailComposeViewController>(sheet)) return describeMail(*mail);
  if (sheet) return {{"type", std::string(sheet->className())}};
  return nullptr;
}

}  // namespace

nlohmann::json SettingsHost::describePane() const {
  if (!isPaneOpen()) return nullptr;
  nlohmann::json out;
  auto all = pages();
  nlohmann::json pageNames = nlohmann::json::array();
  for (const auto& p : all) pageNames.push_back(std::string(p->className()));
  out["pages"] = pageNames;
  auto page = all.empty() ? nullptr : all.back();
  out["title"] = page ? orNull(page->title()) : nlohmann::json(nullptr);
  out["navigationBar"] = describeBar(visibleNavigationBar(), page);
  out["sections"] = describeSections(page);
  out["appearance"] = UIAppearance::describe();
  out["presented"] = describeSheet(presentedSheet());
  return out;
}
