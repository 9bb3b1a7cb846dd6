#include "ui/TBtnBmp.h"

#include "ui/Resources.h"

#include <QPushButton>

namespace drav::ui {

TBtnBmp::TBtnBmp(int id, const QString& bitmapName, Action action, TContainer& form,
                 TBtnBmpArgs args, std::source_location where)
    : TButton(id, std::move(action), form, {.when = std::move(args.when)}, where),
      cBitmap(bitmapName) {
    QPushButton* b = button();
    if (!b) return;
    QIcon icon = bitmapName.isEmpty() ? QIcon(args.bitmapFile) : bitmapIcon(bitmapName);
    if (!icon.isNull()) b->setIcon(icon);
    if (!args.toolTip.isEmpty()) b->setToolTip(args.toolTip);
    if (!args.caption.isEmpty()) b->setText(args.caption);
    b->setFlat(!args.border);
    // A caption beside the bitmap is Qt's own layout; below it is not
    // available on a push button, so both show the caption to the right.
    (void)args.captionRight;
}

}  // namespace drav::ui
