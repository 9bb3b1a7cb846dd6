#include "ui/FormTemplate.h"

#include "ui/Resources.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

namespace drav::ui {

// The framework's own templates (StandardTemplates.cpp).
QHash<QString, TemplateFn> standardTemplates();

// ---- The builder ---------------------------------------------------------

QFont formFont() {
    QFont f(QStringLiteral("Segoe UI"));
    f.setPixelSize(12);
    return f;
}

TemplateBuilder::TemplateBuilder(QWidget& target, int width, int height, const QString& caption)
    : m_page(target) {
    target.setFont(formFont());
    QFontMetrics fm(formFont());
    m_unitX = fm.averageCharWidth() / 4.0;
    m_unitY = fm.height() / 8.0;
    target.setFixedSize(toPixels(width, height));
    if (!caption.isEmpty()) target.setWindowTitle(caption);
}

QRect TemplateBuilder::toPixels(const QRect& d) const {
    auto px = [](double v) { return static_cast<int>(std::lround(v)); };
    return QRect(px(d.x() * m_unitX * kLargeFontFactor), px(d.y() * m_unitY),
                 px(d.width() * m_unitX * kLargeFontFactor), px(d.height() * m_unitY));
}

QSize TemplateBuilder::toPixels(int w, int h) const {
    return toPixels(QRect(0, 0, w, h)).size();
}

template <class W>
W* TemplateBuilder::place(W* w, int id, const QRect& r) {
    w->setObjectName(QString::number(id));
    w->setGeometry(toPixels(r));
    return w;
}

QLabel* TemplateBuilder::say(int id, const QString& text, const QRect& r, Qt::Alignment align) {
    auto* l = place(new QLabel(text, &m_page), id, r);
    l->setAlignment(align);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QLineEdit* TemplateBuilder::get(int id, const QRect& r) {
    auto* e = place(new QLineEdit(&m_page), id, r);
    // The edit field handles the clipboard keys itself; the context menu,
    // drag and drop would bypass its rules.
    e->setContextMenuPolicy(Qt::NoContextMenu);
    e->setDragEnabled(false);
    e->setAcceptDrops(false);
    return e;
}

QPlainTextEdit* TemplateBuilder::multiGet(int id, const QRect& r) {
    auto* e = place(new QPlainTextEdit(&m_page), id, r);
    e->setTabChangesFocus(true);
    return e;
}

QComboBox* TemplateBuilder::comboBox(int id, const QRect& r, bool dropDownList) {
    auto* c = place(new QComboBox(&m_page), id, r);
    c->setEditable(!dropDownList);
    c->setInsertPolicy(QComboBox::NoInsert);
    // A template gives a combo box the height of its open list; the closed
    // box is one line high and the list shows as many items as fit there.
    const int listHeight = c->height();
    c->resize(c->width(), c->sizeHint().height());
    c->setMaxVisibleItems(std::max(5, listHeight / std::max(1, c->height()) - 1));
    return c;
}

QCheckBox* TemplateBuilder::checkBox(int id, const QString& caption, const QRect& r) {
    return place(new QCheckBox(caption, &m_page), id, r);
}

QRadioButton* TemplateBuilder::radio(int id, const QString& caption, const QRect& r) {
    return place(new QRadioButton(caption, &m_page), id, r);
}

QPushButton* TemplateBuilder::button(int id, const QString& caption, const QRect& r,
                                     bool isDefault) {
    auto* b = place(new QPushButton(caption, &m_page), id, r);
    b->setAutoDefault(false);
    b->setDefault(isDefault);
    return b;
}

QPushButton* TemplateBuilder::bitmapButton(int id, const QString& bitmapName, const QRect& r) {
    auto* b = place(new QPushButton(&m_page), id, r);
    b->setAutoDefault(false);
    b->setIcon(bitmapIcon(bitmapName));
    QSize s = b->size() - QSize(8, 8);
    int side = std::max(8, std::min(s.width(), s.height()));
    b->setIconSize(QSize(side, side));
    b->setProperty("dravBitmap", bitmapName);
    return b;
}

QGroupBox* TemplateBuilder::frame(const QString& caption, const QRect& r, int id) {
    auto* g = place(new QGroupBox(caption, &m_page), id, r);
    g->lower();  // behind the controls it frames
    return g;
}

QFrame* TemplateBuilder::line(const QRect& r) {
    auto* f = place(new QFrame(&m_page), kStaticId, r);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

QLabel* TemplateBuilder::image(int id, const QString& bitmapName, const QRect& r) {
    auto* l = place(new QLabel(&m_page), id, r);
    l->setAlignment(Qt::AlignCenter);
    if (!bitmapName.isEmpty()) l->setPixmap(bitmap(bitmapName, l->size()));
    return l;
}

QWidget* TemplateBuilder::custom(int id, const QRect& r) {
    return place(new QWidget(&m_page), id, r);
}

// ---- The registry --------------------------------------------------------

namespace {

QHash<QString, TemplateFn>& registry() {
    static QHash<QString, TemplateFn> map = standardTemplates();
    return map;
}

}  // namespace

void registerTemplate(const QString& name, TemplateFn builder) {
    registry().insert(name.toUpper(), std::move(builder));
}

bool templateExists(const QString& name) {
    return registry().contains(name.toUpper());
}

bool buildTemplate(const QString& name, QWidget& target) {
    auto it = registry().constFind(name.toUpper());
    if (it == registry().constEnd()) return false;
    (*it)(target);
    return true;
}

}  // namespace drav::ui
