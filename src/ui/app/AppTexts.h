#pragma once

#include <QString>

// The texts of the program's frame: the sheet and its window menu, the "Info" tab, the
// About box and the start-up's messages.
namespace tavo::apptexts {

extern const QString kSheetCaption;
extern const QString kUtilityItem;
extern const QString kAboutItem;
extern const QString kMenuTip;  // the menu button's tip, where there is no system menu
extern const QString kInfoTitle;

extern const QString kAboutCaption;
extern const QString kAboutText;
extern const QString kAboutRights;

extern const QString kSocketInitFailed;
extern const QString kDataFolderFailed;  // %1: the folder

}  // namespace tavo::apptexts
