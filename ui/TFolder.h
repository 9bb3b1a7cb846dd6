// The folder control: tabbed pages, each built from a template of its own
// and holding its own controls and modified flag.
//
// No form of the system uses one today; the close protocol and the control
// searches (ctl, item) walk its pages, so a screen that needs pages can
// have them.
#pragma once

#include "ui/TContainer.h"
#include "ui/TControl.h"

#include <QStringList>
#include <memory>
#include <vector>

class QTabWidget;

namespace drav::ui {

class TFolderPage : public TContainer {
public:
    TFolderPage(TDialog& form, QWidget* widget, const QString& caption)
        : m_form(form), m_widget(widget), m_caption(caption) {}

    QWidget* containerWidget() override { return m_widget; }
    TDialog& ownerForm() override { return m_form; }
    const QString& caption() const { return m_caption; }

private:
    TDialog& m_form;
    QWidget* m_widget;
    QString m_caption;
};

class TFolder : public TControl {
    Q_OBJECT
public:
    // The folder takes the place of the template control with its id; each
    // page is built from the template of the same position.
    TFolder(int id, TContainer& form, const QStringList& pageTemplates, const QStringList& captions,
            std::source_location where = std::source_location::current());

    std::vector<std::unique_ptr<TFolderPage>>& pages() { return m_pages; }
    // The pages' controls are initialised with the form's.
    void initiate() override;
    QTabWidget* tabs() const { return m_tabs; }
    // Shows the page (1-based position in the page list).
    void setOption(int position);
    // FLDHIDEITEM: moves the page to the end of the list and removes its tab.
    void hideItem(int position);

private:
    QTabWidget* m_tabs = nullptr;
    std::vector<std::unique_ptr<TFolderPage>> m_pages;
};

}  // namespace drav::ui
