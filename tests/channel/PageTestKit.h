#pragma once
// Operating a page as an operator would: find controls by name, bring their
// tab forward, click and type.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

template <class W>
W* Find(QWidget* page, const char* name)
{
    W* w = page->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

inline void BringForward(QWidget* w)
{
    for (QWidget* p = w; p; p = p->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(p->parentWidget() ? p->parentWidget()->parentWidget() : nullptr))
            tabs->setCurrentWidget(p);
}

inline void Click(QWidget* page, const char* name)
{
    auto* b = Find<QPushButton>(page, name);
    if (!b)
        return;
    BringForward(b);
    QTest::mouseClick(b, Qt::LeftButton);
}

// Replaces a box's text by typing and commits it with Enter.
inline void Type(QWidget* page, const char* name, const QString& text)
{
    auto* e = Find<QLineEdit>(page, name);
    if (!e)
        return;
    BringForward(e);
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    QTest::keyClicks(e, text);
    QTest::keyClick(e, Qt::Key_Return);
}

inline QString Text(QWidget* page, const char* name)
{
    if (auto* l = page->findChild<QLabel*>(QString::fromLatin1(name)))
        return l->text();
    if (auto* e = page->findChild<QLineEdit*>(QString::fromLatin1(name)))
        return e->text();
    ADD_FAILURE() << "no label or box " << name;
    return {};
}

inline bool Lit(QWidget* page, const char* name)
{
    auto* b = Find<QPushButton>(page, name);
    return b && b->isChecked();
}
