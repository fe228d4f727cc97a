// The real dialog service: filters that match any case, and message boxes
// with no icon, no parent, the given caption and text.
#include "ui/dialogues_qt.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

namespace {

// Each pair of the filter text becomes one Qt filter named after its first
// half, whose pattern matches the extension in any case.
TEST(DialoguesQt, FiltersMatchExtensionsInAnyCase) {
    const QStringList f = vt::filtres_qt("mp3|*.mp3|wav|*.wav|wma|*.wma");
    ASSERT_EQ(f.size(), 3);
    EXPECT_TRUE(f[0].startsWith(QStringLiteral("mp3 (")));
    EXPECT_TRUE(f[1].startsWith(QStringLiteral("wav (")));
    EXPECT_TRUE(f[2].startsWith(QStringLiteral("wma (")));
    auto motif = [](const QString& filtre) {
        QString m = filtre.section(QLatin1Char('('), 1).chopped(1);
        return QRegularExpression(QRegularExpression::wildcardToRegularExpression(m));
    };
    for (const char* nom : {"Intro.MP3", "a.mp3", "b.Mp3"})
        EXPECT_TRUE(motif(f[0]).match(QString::fromLatin1(nom)).hasMatch()) << nom;
    EXPECT_FALSE(motif(f[0]).match(QStringLiteral("a.mp4")).hasMatch());
    EXPECT_TRUE(motif(f[1]).match(QStringLiteral("x.WaV")).hasMatch());
    EXPECT_EQ(vt::filtres_qt("skin|*.sk").size(), 1);
    EXPECT_TRUE(vt::filtres_qt("").isEmpty());
}

// The message box has no icon and no parent, and shows caption and text
// as given.
TEST(DialoguesQt, MessageBoxHasNoIconNoParent) {
    vt::DialoguesQt d;
    bool vu = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box->parentWidget(), nullptr);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("skin erreur !"));
        EXPECT_EQ(box->text(), QStringLiteral("a & b <i>c</i>"));
        EXPECT_EQ(box->buttons().size(), 1);
        // A dialog whose title bar has a close button only, no stock
        // picture on its button.
        EXPECT_EQ(box->windowType(), Qt::Dialog);
        EXPECT_FALSE(box->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        EXPECT_TRUE(box->windowFlags() & Qt::CustomizeWindowHint);
        EXPECT_TRUE(box->buttons().front()->icon().isNull());
        vu = true;
        box->accept();
    });
    d.message(QStringLiteral("skin erreur !"), QStringLiteral("a & b <i>c</i>"));
    EXPECT_TRUE(vu);
}

// The question has Yes and No; Yes answers true.
TEST(DialoguesQt, QuestionAnswersYesOrNo) {
    vt::DialoguesQt d;
    for (bool oui : {true, false}) {
        QTimer::singleShot(0, [oui] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
            box->button(oui ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        EXPECT_EQ(d.question(QStringLiteral("vantrel"), QStringLiteral("?")), oui);
    }
}

}  // namespace
