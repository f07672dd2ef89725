// The preferences file: what counts as a stored boolean, and that a choice
// is on disk as soon as it is made.
#include "base/files.h"
#include "platform/settings_store.h"
#include "test_support/temp_dir.h"

#include <QDateTime>
#include <QSettings>
#include <filesystem>
#include <gtest/gtest.h>

namespace brimlow {
namespace {

class SettingsFile : public ::testing::Test {
protected:
    TempDir m_dir;
    std::string m_path = m_dir / "Brimlow.conf";
};

TEST_F(SettingsFile, OnlyTheTextsTrueAndFalseAreBooleans) {
    EXPECT_EQ(QtSettingsStore(m_path).readBool("notifyReset"), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(m_path)) << "reading created the file";

    m_dir.write("Brimlow.conf", "[General]\n"
                                "off=false\n"
                                "on=true\n"
                                "number=1\n"
                                "zero=0\n"
                                "yes=yes\n"
                                "capital=True\n"
                                "empty=\n"
                                "list=true, false\n");
    {
        // Values only Qt itself writes: typed blobs.
        QSettings raw(QString::fromStdString(m_path), QSettings::IniFormat);
        raw.setValue("date", QDateTime::fromSecsSinceEpoch(0));
        raw.setValue("bytes", QByteArray("true"));
    }
    QtSettingsStore store(m_path);
    EXPECT_EQ(store.readBool("off"), false);
    EXPECT_EQ(store.readBool("on"), true);
    EXPECT_EQ(store.readBool("missing"), std::nullopt);
    for (const char* key : {"number", "zero", "yes", "capital", "empty", "list", "date", "bytes"})
        EXPECT_EQ(store.readBool(key), std::nullopt) << key;
}

TEST_F(SettingsFile, AChoiceIsOnDiskAtOnceAndReadBackByTheNextRun) {
    QtSettingsStore store(m_path);
    store.writeBool("notifyReset", false);
    // Read while the writing store still exists, as after a crash.
    auto onDisk = readWholeFile(m_path);
    ASSERT_TRUE(onDisk.ok()) << "not written yet";
    EXPECT_EQ(onDisk.value(), "[General]\nnotifyReset=false\n");
    EXPECT_EQ(QtSettingsStore(m_path).readBool("notifyReset"), false);

    store.writeBool("notifyReset", true);
    EXPECT_EQ(store.readBool("notifyReset"), true);
    EXPECT_EQ(QtSettingsStore(m_path).readBool("notifyReset"), true);
}

// A file where its directory should be: no one, root included, can write there.
TEST_F(SettingsFile, AWriteThatFailsKeepsTheChoiceForThisRun) {
    std::string blocked = m_dir.write("file", "") + "/Brimlow.conf";
    QtSettingsStore store(blocked);
    store.writeBool("notifyReset", false);
    EXPECT_EQ(store.readBool("notifyReset"), false);
}

} // namespace
} // namespace brimlow
