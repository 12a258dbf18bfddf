#pragma once

class QCoreApplication;

namespace drovalin {

// Puts Qt's own texts (standard buttons, the folder chooser, a text box's context menu) into Japanese and
// makes Japanese the default locale, whatever the user's locale: the program speaks only Japanese. Returns
// false when Qt's Japanese translation is not installed; Qt's texts then stay in English.
bool InstallQtJapanese(QCoreApplication& app);

}  // namespace drovalin
