// Dialog templates: the named layouts every form is built from.
//
// A template is one builder function that creates the form's controls with
// their numeric ids (as Qt objectName: "101"), captions and sizes; fixed
// labels and frames that no code binds carry the id "-1". Positions and
// sizes are written in dialog units, as the forms were designed: a
// horizontal unit is a quarter of the form font's average character width,
// a vertical unit an eighth of its height, and every form is widened by the
// large-font factor 1.16668 (left edges and widths; tops and heights stay).
//
// The framework registers its own templates (MSGGET, INFOS, PRINTDLG);
// each screen module registers its templates with registerTemplate() before
// the first form is built.
//
// Sections: the builder (TemplateBuilder), the registry.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace drav::ui {

// Width factor applied to every form built from a template.
constexpr double kLargeFontFactor = 1.16668;
// Fixed labels, frames and lines carry this id.
constexpr int kStaticId = -1;

// ---- The builder ---------------------------------------------------------

class TemplateBuilder {
public:
    // Builds into a form or a page of a folder, width and height in dialog
    // units; the caption is the form's title (pages have none).
    TemplateBuilder(QWidget& target, int width, int height, const QString& caption = {});

    QWidget& page() const { return m_page; }
    // Dialog units to pixels (left and width widened by the large-font factor).
    QRect toPixels(const QRect& dlu) const;
    QSize toPixels(int w, int h) const;

    // Rectangles are (x, y, width, height) in dialog units.
    QLabel* say(int id, const QString& text, const QRect& r,
                Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
    QLineEdit* get(int id, const QRect& r);
    QPlainTextEdit* multiGet(int id, const QRect& r);
    // The rectangle's height is that of the open list, as in a template.
    QComboBox* comboBox(int id, const QRect& r, bool dropDownList = false);
    QCheckBox* checkBox(int id, const QString& caption, const QRect& r);
    QRadioButton* radio(int id, const QString& caption, const QRect& r);
    // Push buttons never press themselves on Enter; only the template's
    // default button (isDefault) is pressed by Enter from any control.
    QPushButton* button(int id, const QString& caption, const QRect& r, bool isDefault = false);
    QPushButton* bitmapButton(int id, const QString& bitmap, const QRect& r);
    QGroupBox* frame(const QString& caption, const QRect& r, int id = kStaticId);
    QFrame* line(const QRect& r);
    QLabel* image(int id, const QString& bitmap, const QRect& r);
    // An empty place holder for a control the framework creates itself (the
    // browse list): the control takes its place, size and id.
    QWidget* custom(int id, const QRect& r);

private:
    template <class W>
    W* place(W* w, int id, const QRect& r);

    QWidget& m_page;
    double m_unitX = 1;
    double m_unitY = 1;
};

// The font every form is drawn in.
QFont formFont();

// ---- The registry --------------------------------------------------------

using TemplateFn = std::function<void(QWidget& target)>;

// Registers (or replaces) the builder of a template name.
void registerTemplate(const QString& name, TemplateFn builder);
bool templateExists(const QString& name);
// Runs the template's builder on the target; false when there is none.
bool buildTemplate(const QString& name, QWidget& target);

}  // namespace drav::ui
