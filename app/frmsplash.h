#pragma once
#include <QPixmap>

#include "platform/forms.h"

// The start-up window: one picture, no caption, no controls; topmost and centred.
class frmSplash : public Form {
    Q_OBJECT
public:
    frmSplash();
    void Form_Load() override;

    // The design size of the picture and of the window, in pixels.
    static constexpr int kWidth = 396;
    static constexpr int kHeight = 294;
    // The splash picture, drawn by the program itself.
    static QPixmap Picture();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QPixmap m_picture;
};
