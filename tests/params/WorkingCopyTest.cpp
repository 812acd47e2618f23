// The parameter working copy: what each source brings in, the marks of what
// differs from the drive, and what its listeners are told.
#include "params/ParamWorkingCopy.h"

#include <gtest/gtest.h>

#include <vector>

using namespace velt;

namespace {

ParamValues Counting() {
    ParamValues v{};
    for (int n = 0; n < drive::ParamCount; ++n)
        v[static_cast<size_t>(n)] = static_cast<int16_t>(n);
    return v;
}

} // namespace

TEST(WorkingCopy, EachSourceChangesWhatItBringsAndTheMarksFollowTheDrive) {
    ParamWorkingCopy copy;
    std::vector<CopyChange> told;
    copy.Subscribe([&](const CopyChange& c) { told.push_back(c); });

    copy.StoreEdited(13, 70000); // low 16 bits
    EXPECT_EQ(copy.Value(13), 4464);
    EXPECT_FALSE(copy.Differs(13)); // nothing known of the drive yet

    copy.TakeRead(Counting(), 1);
    EXPECT_EQ(copy.Values(), Counting());
    EXPECT_EQ(copy.DriveValues(), Counting());
    EXPECT_TRUE(copy.DriveValuesKnown());

    copy.StoreEdited(83, 100000); // a pair, high word first: both registers
    EXPECT_EQ(copy.Value(83), 1);
    EXPECT_EQ(copy.Value(84), -31072);
    EXPECT_TRUE(copy.Differs(83));
    EXPECT_FALSE(copy.Differs(13));

    ParamValues file{};
    std::array<bool, drive::ParamCount> present{};
    file[20] = -5;
    present[20] = true;
    copy.TakeFile(file, present); // only what the file names
    EXPECT_EQ(copy.Value(20), -5);
    EXPECT_EQ(copy.Value(21), 21);

    PageControls controls = ControlsFromValues(copy.Values());
    controls.controlMode = 2;
    copy.TakeControls(controls);
    EXPECT_EQ(copy.Value(drive::ParamDefaultMode), 2);

    ParamValues other = copy.Values();
    other[13] = 999;
    const std::vector<int> taken =
        copy.TakeRows(CompareSets(WholeSet(copy.Values()), WholeSet(other)), WholeSet(other));
    EXPECT_EQ(taken, std::vector<int>{13});

    copy.TakeDriveValues(copy.Values()); // the picture of the drive only
    EXPECT_FALSE(copy.Differs(83));
    EXPECT_EQ(copy.Value(13), 999);

    std::vector<CopySource> sources;
    for (const CopyChange& c : told)
        sources.push_back(c.source);
    EXPECT_EQ(sources,
              (std::vector<CopySource>{CopySource::Edit, CopySource::Read, CopySource::Edit, CopySource::File,
                                       CopySource::Controls, CopySource::Compare, CopySource::DriveValues}));
    EXPECT_EQ(told[1].touched.count(), static_cast<size_t>(drive::ParamCount));
    EXPECT_TRUE(told[2].touched.test(83) && told[2].touched.test(84));
    EXPECT_EQ(told[3].touched.count(), 1u);
    EXPECT_TRUE(told[4].touched.test(drive::ParamInPole) && !told[4].touched.test(13));
    EXPECT_TRUE(told[6].touched.none());
}

TEST(WorkingCopy, AListenerMayUnsubscribeWhileItIsTold) {
    ParamWorkingCopy copy;
    int first = 0, second = 0;
    int secondId = 0;
    const int firstId = copy.Subscribe([&](const CopyChange&) {
        ++first;
        copy.Unsubscribe(secondId);
    });
    secondId = copy.Subscribe([&](const CopyChange&) { ++second; });
    copy.StoreEdited(1, 1);
    copy.Unsubscribe(firstId);
    copy.StoreEdited(1, 2);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0); // gone before its turn
}
