// The parameters form. Sections: the template PARAMETRI; the fields and
// their settings; the form.
#include "shell/Parametri.h"

#include "shell/Config.h"
#include "ui/FormHelpers.h"
#include "ui/FormTemplate.h"
#include "ui/TButton.h"
#include "ui/TDialog.h"
#include "ui/TGet.h"
#include "util/Error.h"
#include "util/IniFile.h"
#include "util/Settings.h"
#include "util/SettingsScope.h"

namespace drav::shell {
namespace {

// ---- The template PARAMETRI -----------------------------------------------
//
//   Prima fattura:       [101  ]
//   Aliquota IVA:        [102 ]
//   Margini busta:    Des [103]   Sup [104]
//   Margini fattura:  Sup [105]
//                          [&Conferma] [&Annulla]

void parametriTemplate(QWidget& w) {
    using ui::kStaticId;
    ui::TemplateBuilder b(w, 186, 104, QStringLiteral("Parametri"));
    b.say(kStaticId, QStringLiteral("Prima fattura:"), QRect(8, 10, 62, 10));
    b.get(101, QRect(72, 8, 34, 13));
    b.say(kStaticId, QStringLiteral("Aliquota IVA:"), QRect(8, 28, 62, 10));
    b.get(102, QRect(72, 26, 28, 13));
    b.say(kStaticId, QStringLiteral("Margini busta:"), QRect(8, 46, 62, 10));
    b.say(kStaticId, QStringLiteral("Des"), QRect(72, 46, 16, 10));
    b.get(103, QRect(90, 44, 24, 13));
    b.say(kStaticId, QStringLiteral("Sup"), QRect(124, 46, 16, 10));
    b.get(104, QRect(142, 44, 24, 13));
    b.say(kStaticId, QStringLiteral("Margini fattura:"), QRect(8, 64, 62, 10));
    b.say(kStaticId, QStringLiteral("Sup"), QRect(72, 64, 16, 10));
    b.get(105, QRect(90, 62, 24, 13));
    b.button(201, QStringLiteral("&Conferma"), QRect(74, 84, 50, 14));
    b.button(202, QStringLiteral("&Annulla"), QRect(128, 84, 50, 14));
}

// ---- The fields and their settings ------------------------------------------

struct Field {
    int id;
    const char* setting;
    const char* mask;
};

constexpr Field kFields[] = {
    {101, "CFG_NFATT", "@ZE 99999"},  // first invoice number, must not be zero
    {102, "CFG_IVA", "99 %"},         // VAT rate
    {103, "CFG_DBUST", "@ZE 999"},    // envelope margin, columns from the left
    {104, "CFG_SBUST", "@ZE 999"},    // envelope margin, lines from the top
    {105, "CFG_SFATT", "@ZE 999"},    // invoice margin, lines under the letterhead
};

// The field reads and writes the visible setting of that name: the private
// copy, which the form's scope declares before the fields are bound.
ui::Binding settingBinding(const char* name) {
    return {[name] {
                const Value* v = findSetting(name);
                return v ? *v : Value{};
            },
            [name](const Value& v) { setSetting(name, v); }};
}

double privateNumber(const char* name) {
    const Value* v = findSetting(name);
    return v && isNumber(*v) ? std::get<double>(*v) : 0;
}

// Every parameter the form edits is a number of the private copy. A key the
// file lacks, or whose value is no number, would otherwise make its field a
// text field and be saved as text, which every screen then fails to read:
// it starts from the value the first start writes.
void declareParameters(SettingsScope& scope) {
    for (const DefaultSetting& d : kDefaultSettings) {
        scope.declare(d.name);
        const Value* v = findSetting(d.name);
        if (!v || !isNumber(*v)) setSetting(d.name, d.value);
    }
}

// Shows the form once; true when it was confirmed. After a failed write the
// form comes back as modified: what is on it has not been saved, and
// leaving it asks before the edits are dropped.
bool editParameters(bool notSaved) {
    ui::TDialog form(QString(), QStringLiteral("PARAMETRI"));
    form.lModify = notSaved;
    auto changed = [&form] { form.lModify = true; };
    for (const Field& f : kFields) {
        ui::TGetArgs args{.mask = QString::fromLatin1(f.mask), .change = changed};
        if (f.id == 101) args.valid = [] { return privateNumber("CFG_NFATT") != 0; };
        new ui::TGet(f.id, settingBinding(f.setting), form, args);
    }
    ui::TButton::confirm(form);
    ui::TButton::cancel(form);
    form.activate({.centered = true, .valid = [&form] { return ui::valid(form, true); }});
    return form.nResult != 0 && form.nResult != 2;
}

}  // namespace

void registerParametriTemplate() {
    if (!ui::templateExists(QStringLiteral("PARAMETRI")))
        ui::registerTemplate(QStringLiteral("PARAMETRI"), parametriTemplate);
}

// ---- The form ------------------------------------------------------------------

void parametri() {
    registerParametriTemplate();
    SettingsScope scope;
    for (const std::string& key : getPvProfSection("Vars", kConfigFile)) scope.declare(key);
    if (!restoreIni(kConfigFile)) return;
    declareParameters(scope);

    bool notSaved = false;
    while (editParameters(notSaved)) {
        try {
            if (saveIni("CFG_*", kConfigFile)) return;
        } catch (const Abandoned&) {
            // The handler has said why; the form comes back with the values.
        }
        notSaved = true;
    }
}

}  // namespace drav::shell
