#include "unload_all_forms.h"

#include <QCoreApplication>
#include <QPointer>

#include "loaded_forms.h"

namespace drovalin {

void UnloadAllForms() {
    for (int i = LoadedForms::Count() - 1; i >= 0; --i) {
        // Closing one window may destroy others and so shrink the collection.
        if (i >= LoadedForms::Count()) continue;
        const QPointer<QWidget> form = LoadedForms::Item(i);
        if (form->close() && form) LoadedForms::Forget(form);
    }
    if (LoadedForms::Count() == 0) QCoreApplication::quit();
}

}  // namespace drovalin
