// An image of the form: a bitmap resource shown in a template control.
#pragma once

#include "ui/TControl.h"

class QLabel;

namespace drav::ui {

class TImage : public TControl {
    Q_OBJECT
public:
    TImage(int id, TContainer& form, const QString& bitmapName,
           std::source_location where = std::source_location::current());

    QString cBitmap;

    bool isLabel() const override { return true; }
    void refresh() override;
    // Shows another bitmap resource.
    void setBitmap(const QString& bitmapName);
};

}  // namespace drav::ui
