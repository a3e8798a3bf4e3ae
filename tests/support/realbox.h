#pragma once
// The real message box in an offscreen run. A test puts the real prompt in place and lets a
// timer act while boxes are open, as time passing and then a user's click would. For the box
// holding the watched text: once it shows, whileOpen() runs (it may end the run the box
// interrupts), and once ready() holds the chosen button is pressed. Every other box is
// answered with its default button. The prompt in place before comes back at the end.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <functional>

#include "platform/forms.h"
#include "platform/prompt.h"

// Clicks a button of window W the first time W is found in front (the user clicks what is
// in front), and remembers the window in clicked. True when it clicked.
template <class W, class B> bool clickInFront(QPointer<W>& clicked, B* W::*button)
{
    W* w = Forms::find<W>();
    if (clicked || !w || QApplication::activeWindow() != w)
        return false;
    clicked = w;
    (w->*button)->click();
    return true;
}

class RealBoxes {
public:
    RealBoxes(QString text, QMessageBox::StandardButton button, std::function<void()> whileOpen = {},
              std::function<bool()> ready = {})
        : m_previous(&Prompts()), m_text(std::move(text)), m_button(button), m_whileOpen(std::move(whileOpen)),
          m_ready(std::move(ready))
    {
        setPrompts(&m_real);
        QObject::connect(&m_tick, &QTimer::timeout, [this] { tick(); });
        m_tick.start(1);
    }
    ~RealBoxes() { setPrompts(m_previous); }
    RealBoxes(const RealBoxes&) = delete;
    RealBoxes& operator=(const RealBoxes&) = delete;

    // The texts of the boxes seen, in the order they showed.
    QStringList seen;
    // Times the watched box was answered with the chosen button.
    int answered = 0;

    // The message boxes open now.
    static QList<QMessageBox*> openBoxes()
    {
        QList<QMessageBox*> out;
        for (QWidget* w : QApplication::allWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                out << box;
        return out;
    }

private:
    void tick()
    {
        QMessageBox* watched = nullptr;
        for (QMessageBox* box : openBoxes()) {
            if (!box->property("seen").toBool()) {
                box->setProperty("seen", true);
                seen << box->text();
                m_readyTicks = 0;
                if (box->text() == m_text && m_whileOpen)
                    m_whileOpen();
                return; // looked for afresh: what ran may have taken boxes away
            }
            if (box->text() != m_text) {
                m_readyTicks = 0;
                box->defaultButton()->click();
                return;
            }
            watched = box;
        }
        if (!watched)
            return;
        // ready() must hold on two ticks in a row with no other box open, so that what it
        // waited for has had a turn of the event loop (queued events, deferred deletes).
        if (m_ready && !m_ready()) {
            m_readyTicks = 0;
            return;
        }
        if (m_ready && ++m_readyTicks < 2)
            return;
        if (QAbstractButton* b = watched->button(m_button)) {
            ++answered;
            b->click();
        }
    }

    Prompt* m_previous;
    WidgetPrompt m_real;
    QString m_text;
    QMessageBox::StandardButton m_button;
    std::function<void()> m_whileOpen;
    std::function<bool()> m_ready;
    QTimer m_tick;
    int m_readyTicks = 0;
};
