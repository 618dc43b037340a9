#include "support/text_input.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>

namespace kalvora::test {

void insertText(QWidget* box, const QString& text, Insertion how)
{
    box->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(box))
        line->end(false);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(box))
        plain->moveCursor(QTextCursor::End);
    if (how != Insertion::Drop) {
        QApplication::clipboard()->setText(text);
        if (how == Insertion::CtrlV)
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        else
            QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
        return;
    }
    // A text box takes drops on its viewport; the bottom right corner lies after its text.
    auto* area = qobject_cast<QAbstractScrollArea*>(box);
    QWidget* target = area ? area->viewport() : box;
    const QPoint at(target->width() - 2, target->height() - 2);
    QMimeData data;
    data.setText(text);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

} // namespace kalvora::test
