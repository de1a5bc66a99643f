// Simulator commands on the alert that is on screen.
#include <fmt/format.h>

#include "cli/sim/SimExtension.hpp"
#include "platform/uikit/UIAlertView.hpp"

namespace {

const SimCommandRegistration registration{
    {"alert", "alert press TITLE | alert type TEXT  (press a button of, or type into, the alert on screen)",
     [](SimContext&, const std::vector<std::string>& args) {
       if (args.size() != 2 || (args[0] != "press" && args[0] != "type"))
         throw SimError("usage: alert press TITLE | alert type TEXT");
       UIAlertViewRef alert = alert_center::onScreen();
       if (!alert) throw SimError("there is no alert on screen");
       if (args[0] == "type") {
         UITextFieldRef field = alert->textFieldAtIndex(0);
         if (!field) throw SimError("the alert on screen has no text field");
         // The keyboard types into the field that has the focus.
         if (!field->isFirstResponder()) throw SimError("the alert's text field does not have the keyboard");
         if (!args[1].empty() && !field->insertText(args[1])) throw SimError("the alert's text field refused the text");
         return;
       }
       long index = alert->indexOfButtonTitled(args[1]);
       if (index < 0) throw SimError(fmt::format("the alert on screen has no button '{}'", args[1]));
       alert->dismissWithClickedButtonIndex(index);
     }}};

}  // namespace
