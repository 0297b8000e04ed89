#pragma once

#include "owner_drawn_widget.h"
#include "property_store.h"

namespace kalvimo {

// A horizontal progress bar: a frame the size of the control and a bar inset by 30 twips
// whose width shows a percentage.
class OrvelProgress : public OwnerDrawnWidget {
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE SetValue NOTIFY ValueChanged)

public:
    explicit OrvelProgress(QWidget* parent = nullptr);

    int Value() const { return value_; }
    // Held within 0 to 100.
    void SetValue(int value);
    // The bar's width in twips for the current size and value.
    double FillWidth() const;

    void ReadProperties(const PropertyStore& store);
    void WriteProperties(PropertyStore& store) const;

    QSize sizeHint() const override;

signals:
    void ValueChanged(int value);
    void PropertyChanged(const QString& name);

protected:
    void Paint(QImage& surface) const override;

private:
    int p_ = 15;
    int value_ = 0;
};

} // namespace kalvimo
