#pragma once
// Controls found by their names, as an operator sees them, and what an
// operator does with them. A control that is not there ends the test with
// its name rather than a crash.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <utility>

template <class T = QWidget>
T* Find(const QObject* window, const QString& name)
{
    T* c = window->findChild<T*>(name);
    if (!c)
        throw std::runtime_error("no " + std::string(T::staticMetaObject.className()) + " named " +
                                 name.toStdString() + " in " + window->objectName().toStdString());
    return c;
}

// Brings the tabs a control sits on to the front.
inline void BringForward(QWidget* w)
{
    for (QWidget* p = w; p && p->parentWidget(); p = p->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(p->parentWidget()->parentWidget()))
            tabs->setCurrentWidget(p);
}

inline void Click(const QObject* window, const QString& name)
{
    auto* b = Find<QAbstractButton>(window, name);
    BringForward(b);
    QTest::mouseClick(b, Qt::LeftButton);
}

// Replaces a box's text by typing and commits it with Enter.
inline void Type(const QObject* window, const QString& name, const QString& text)
{
    auto* e = Find<QLineEdit>(window, name);
    BringForward(e);
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    QTest::keyClicks(e, text);
    QTest::keyClick(e, Qt::Key_Return);
}

// What a label, a box or a button shows.
inline QString Text(const QObject* window, const QString& name)
{
    if (auto* l = window->findChild<QLabel*>(name))
        return l->text();
    if (auto* e = window->findChild<QLineEdit*>(name))
        return e->text();
    return Find<QAbstractButton>(window, name)->text();
}

// Clicks cell (col, row) of a table, both counted from 1.
inline void ClickCell(const QObject* window, const QString& name, int col, int row)
{
    auto* view = Find<QTableView>(window, name);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(row - 1, col - 1)).center());
}

// Each named control shows its text.
inline void ExpectTexts(const QObject* window, std::initializer_list<std::pair<const char*, const char*>> shown)
{
    for (auto [name, text] : shown)
        EXPECT_EQ(Text(window, QString::fromLatin1(name)), QString::fromUtf8(text)) << name;
}

inline bool Lit(const QObject* window, const QString& name)
{
    return Find<QAbstractButton>(window, name)->isChecked();
}

// Runs f on the modal window that the next call opens, once it is up.
inline void OnModal(std::function<void(QWidget*)> f)
{
    QTimer::singleShot(0, [f] { f(QApplication::activeModalWidget()); });
}

// Answers the message box the next call shows with `button`; keeps its "title|text".
inline void AnswerMessageBox(QMessageBox::StandardButton button = QMessageBox::Ok, QString* seen = nullptr)
{
    OnModal([=](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        if (seen)
            *seen = box->windowTitle() + "|" + box->text();
        QTest::mouseClick(box->button(button), Qt::LeftButton);
    });
}
