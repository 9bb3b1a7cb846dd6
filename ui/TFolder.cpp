#include "ui/TFolder.h"

#include "ui/FormTemplate.h"
#include "ui/TDialog.h"

#include <QTabWidget>
#include <QVBoxLayout>

namespace drav::ui {

TFolder::TFolder(int id, TContainer& form, const QStringList& pageTemplates,
                 const QStringList& captions, std::source_location where)
    : TControl(id, Binding{}, form, where) {
    QWidget* place = attach<QWidget>(id);
    if (!place) return;
    m_tabs = qobject_cast<QTabWidget*>(place);
    if (!m_tabs) {
        m_tabs = new QTabWidget(place);
        auto* layout = new QVBoxLayout(place);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_tabs);
    }
    for (int i = 0; i < pageTemplates.size(); ++i) {
        auto* w = new QWidget;
        w->setProperty("dravPage", true);
        w->setObjectName(pageTemplates[i]);
        if (!buildTemplate(pageTemplates[i], *w))
            form.ownerForm().definitionError(QStringLiteral("Resource not found: ") +
                                             pageTemplates[i]);
        w->setMinimumSize(0, 0);
        w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        const QString caption = i < captions.size() ? captions[i] : QString();
        m_tabs->addTab(w, caption);
        m_pages.push_back(std::make_unique<TFolderPage>(form.ownerForm(), w, caption));
    }
}

void TFolder::initiate() {
    for (auto& page : m_pages)
        for (TControl* c : page->aControls) c->initiate();
}

void TFolder::setOption(int position) {
    if (!m_tabs || position < 1 || position > static_cast<int>(m_pages.size())) return;
    int index = m_tabs->indexOf(m_pages[static_cast<size_t>(position) - 1]->containerWidget());
    if (index >= 0) m_tabs->setCurrentIndex(index);
}

void TFolder::hideItem(int position) {
    if (!m_tabs || position < 1 || position > static_cast<int>(m_pages.size())) return;
    auto it = m_pages.begin() + (position - 1);
    std::unique_ptr<TFolderPage> page = std::move(*it);
    m_pages.erase(it);
    int index = m_tabs->indexOf(page->containerWidget());
    if (index >= 0) m_tabs->removeTab(index);
    m_pages.push_back(std::move(page));
}

}  // namespace drav::ui
