// The radio chosen from Hamlib's own list by maker and name, searchable, in
// step with the model number the settings keep.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QSpinBox>
#include <set>

#include "rig/RigModels.h"
#include "rig/ui/FollowDialog.h"
#include "support/WaitUntil.h"

namespace orvane::rig {
namespace {

// Hamlib's own test radios: 1 is the dummy rig, 2 the network rigctld.
TEST(RigModels, HamlibsListHasEveryModelOnceByMakerAndName) {
    const std::vector<RigModel> models = hamlibRigModels();
    ASSERT_GT(models.size(), 100u);
    std::set<int> numbers;
    for (const RigModel& m : models) {
        EXPECT_TRUE(numbers.insert(m.model).second) << m.model;
        EXPECT_FALSE(m.name.isEmpty()) << m.model;
    }
    const auto find = [&](int model) {
        const auto it = std::find_if(models.begin(), models.end(), [&](const RigModel& m) { return m.model == model; });
        return it == models.end() ? RigModel{} : *it;
    };
    EXPECT_EQ(find(1).maker, QStringLiteral("Hamlib"));
    EXPECT_EQ(find(1).name, QStringLiteral("Dummy"));
    EXPECT_EQ(find(2).name, QStringLiteral("NET rigctl"));
    EXPECT_EQ(rigModelCaption(find(1)), QStringLiteral("Hamlib Dummy (1)"));
    EXPECT_TRUE(std::is_sorted(models.begin(), models.end(), [](const RigModel& a, const RigModel& b) {
        if (const int c = QString::compare(a.maker, b.maker, Qt::CaseInsensitive)) return c < 0;
        return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
    }));
    // The list worked out once in the background is the same.
    QFuture<std::vector<RigModel>> later = rigModelsLater();
    later.waitForFinished();
    EXPECT_EQ(later.result(), models);
}

TEST(RigModels, TheDialogOffersTheListAndKeepsTheNumber) {
    RigSettings settings;
    settings.model = 1;
    ui::FollowDialog dialog({QStringLiteral("1 4U1UN")}, 0, settings);
    ASSERT_TRUE(waitUntil([&] { return dialog.modelsLoaded(); }, 30000));
    QComboBox* list = dialog.modelList();
    EXPECT_TRUE(list->isEnabled());
    EXPECT_EQ(list->currentText(), QStringLiteral("Hamlib Dummy (1)"));
    EXPECT_EQ(list->count(), static_cast<int>(hamlibRigModels().size()));

    // Chosen from the list: the number follows, and the settings keep it.
    const int net = list->findData(2);
    ASSERT_GE(net, 0);
    list->setCurrentIndex(net);
    emit list->activated(net);
    EXPECT_EQ(dialog.modelBox()->value(), 2);
    EXPECT_EQ(dialog.settings().model, 2);
    // A number typed: the list shows its radio; one Hamlib does not know
    // leaves the list empty and is kept as typed.
    dialog.modelBox()->setValue(1);
    EXPECT_EQ(list->currentData().toInt(), 1);
    dialog.modelBox()->setValue(99'998);
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(dialog.settings().model, 99'998);

    // Typing part of a name searches anywhere in maker, name or number.
    QCompleter* completer = list->completer();
    ASSERT_NE(completer, nullptr);
    EXPECT_EQ(completer->filterMode(), Qt::MatchContains);
    EXPECT_EQ(completer->caseSensitivity(), Qt::CaseInsensitive);
    completer->setCompletionPrefix(QStringLiteral("rigctl"));
    ASSERT_GE(completer->completionCount(), 1);
    bool foundNet = false;
    for (int row = 0; completer->setCurrentRow(row); ++row)
        foundNet = foundNet || completer->currentIndex().data(Qt::UserRole).toInt() == 2;
    EXPECT_TRUE(foundNet);
    completer->setCompletionPrefix(QStringLiteral("dumm"));
    ASSERT_TRUE(completer->setCurrentRow(0));
    EXPECT_TRUE(completer->currentCompletion().contains(QStringLiteral("Dummy")));
    emit completer->activated(completer->currentIndex());
    EXPECT_EQ(dialog.modelBox()->value(), completer->currentIndex().data(Qt::UserRole).toInt());
}

}  // namespace
}  // namespace orvane::rig
