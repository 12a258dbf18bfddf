#include "loaded_forms.h"

#include <QPointer>
#include <algorithm>
#include <vector>

namespace drovalin {

namespace {

std::vector<QPointer<QWidget>>& Forms() {
    static std::vector<QPointer<QWidget>> forms;
    return forms;
}

// Windows destroyed behind the collection's back (a splash the user closed) are no longer loaded.
std::vector<QPointer<QWidget>>& LiveForms() {
    auto& forms = Forms();
    std::erase_if(forms, [](const QPointer<QWidget>& form) { return form.isNull(); });
    return forms;
}

}  // namespace

void LoadedForms::Load(QWidget* form) {
    auto& forms = LiveForms();
    if (!form || std::find(forms.begin(), forms.end(), form) != forms.end()) return;
    forms.emplace_back(form);
}

void LoadedForms::Forget(QWidget* form) {
    std::erase_if(LiveForms(), [form](const QPointer<QWidget>& loaded) { return loaded == form; });
}

int LoadedForms::Count() { return static_cast<int>(LiveForms().size()); }

QWidget* LoadedForms::Item(int index) { return LiveForms().at(static_cast<std::size_t>(index)).data(); }

}  // namespace drovalin
