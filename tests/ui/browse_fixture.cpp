#include "tests/ui/browse_fixture.h"

#include "data/access/KeySearch.h"
#include "ui/FormTemplate.h"

#include <sys/stat.h>
#include <QApplication>
#include <QTest>

namespace drav::test {

void registerBrowseTemplates() {
    static const bool done = [] {
        ui::registerTemplate(kBrowseForm, [](QWidget& w) {
            ui::TemplateBuilder b(w, 200, 128, QStringLiteral("Elenco"));
            b.custom(101, QRect(6, 6, 188, 98));
            b.button(201, QStringLiteral("&Chiudi"), QRect(88, 109, 50, 14));
            b.button(202, QStringLiteral("&Aggiungi"), QRect(144, 109, 50, 14));
        });
        return true;
    }();
    (void)done;
}

void BrowseTest::SetUp() {
    registerBrowseTemplates();
    data::keySearch(nullptr, 0);
    // Every table error gives the operation up, as the program's handler does.
    m_previousHandler = setErrorHandler([](const ErrorInfo& e) {
        return e.canDefault && e.genCode == gen::AppendLock ? ErrorOutcome::Fail
                                                            : ErrorOutcome::Abandon;
    });
    m_previousInstance = instanceFolder();
    const std::string instance = dir.file("ISTANZA") + "/";
    ::mkdir(instance.c_str(), 0700);
    setInstanceFolder(instance);
}

void BrowseTest::TearDown() {
    data::closeAll();
    data::keySearch(nullptr, 0);
    setInstanceFolder(m_previousInstance);
    setErrorHandler(std::move(m_previousHandler));
}

void BrowseTest::makeTable(const std::string& table, const std::vector<std::string>& values,
                           const std::string& field) {
    const data::TableDef* def = data::findTable(table);
    ASSERT_NE(def, nullptr);
    const std::string file = path(table + ".DBF");
    ASSERT_TRUE(data::TableFile::create(file, def->fields));
    {
        data::TableFile t;
        ASSERT_TRUE(t.open(file, data::File::Share::Exclusive, false));
        const int at = field.empty() ? 0 : t.fieldIndex(field);
        ASSERT_GE(at, 0);
        for (const std::string& v : values) {
            ASSERT_TRUE(t.append());
            ASSERT_TRUE(t.putField(at, v));
            ASSERT_TRUE(t.commit());
        }
        ASSERT_TRUE(t.close());
    }
    data::dbOpen(true, file, {}, false);
    for (const std::string& tag : def->tags) {
        const data::TagDef* td = data::findTag(tag);
        data::ordCondSet(td->conditionText);
        data::ordBuild(path(td->name), td->keyExpression);
    }
    data::dbClose();
}

data::Table& BrowseTest::open(const std::string& table, const std::string& alias) {
    data::Table& t = data::dbOpen(true, path(table + ".DBF"), alias);
    for (const std::string& tag : data::findTable(table)->tags) data::ordAdd(path(tag));
    return t;
}

std::string BrowseTest::text(data::Table& t, const std::string& field) {
    std::string s = t.text(field);
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

ListForm::ListForm(const QString& title, const std::string& field) : form(QString(), kBrowseForm) {
    data::Table& t = data::current();
    const int at = field.empty() ? 0 : t.needField(field);
    list =
        ui::TWBrowse::reDefine(101, form,
                               {.line = [&t, at] { return std::vector<Value>{t.get(at)}; },
                                .headers = {title},
                                .sizes = {0},
                                .change = [this](ui::TWBrowse&) { ++changes; },
                                .dblClick = [this](int, int, int, ui::TWBrowse&) { ++actions; }});
    list->bKeyChar = [](int key, ui::TWBrowse& b) { data::keySearch(&b, key); };
}

bool ListForm::show() {
    if (!showForm(form)) return false;
    list->widget()->setFocus();
    QApplication::processEvents();
    return list->widget()->hasFocus();
}

}  // namespace drav::test
