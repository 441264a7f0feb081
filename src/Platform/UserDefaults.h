#pragma once

#include "Platform/Date.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Small key/value storage for the stored records: each key holds exactly the
// bytes last written under it.
class UserDefaults {
public:
    // Size and modification time of what is stored under a key: enough to
    // notice, without reading it, that someone else replaced it.
    struct Stamp {
        qint64 size = 0;
        qint64 modifiedNs = 0;
        bool operator==(const Stamp&) const = default;
    };

    virtual ~UserDefaults() = default;
    // Nothing stored gives nullopt with *error left empty; something stored
    // that cannot be read gives nullopt with the reason in *error. A reason
    // is worded as the system words it ("Permission denied"), without the key.
    virtual std::optional<QByteArray> data(const QString& key, QString* error = nullptr) const = 0;
    // Returns false (and the reason in *error) when the bytes did not reach storage.
    virtual bool setData(const QString& key, const QByteArray& bytes, QString* error = nullptr) = 0;
    virtual QStringList keys() const = 0;
    // nullopt when nothing is stored or the storage cannot tell; callers then compare the bytes.
    virtual std::optional<Stamp> stamp(const QString& key) const
    {
        Q_UNUSED(key);
        return std::nullopt;
    }
    // Removes what is stored under a key; false with the reason when it cannot.
    virtual bool remove(const QString& key, QString* error = nullptr);
    // Where writes under a key that is a symbolic link land: the path at the
    // end of its chain of links, whether or not anything is there; nullopt
    // for a key that is no link.
    virtual std::optional<QString> linkTarget(const QString& key) const
    {
        Q_UNUSED(key);
        return std::nullopt;
    }
};

// Makes the entries of a directory (a file renamed into it, a directory made
// in it) survive a power cut; false with the system's reason when it cannot.
using DirectorySync = std::function<bool(const QString& directory, QString* error)>;
bool syncDirectory(const QString& directory, QString* error = nullptr);
// Creates a directory and whatever parents it lacks, syncing the parent of
// each one made, so that none of them is gone after a power cut.
bool makeDirectoryDurably(const QString& directory, QString* error = nullptr, const DirectorySync& sync = syncDirectory);

// One file per key in $XDG_CONFIG_HOME/QuaverLoom/ (~/.config/QuaverLoom/),
// named exactly as the key, replaced atomically on every write and durably:
// the directory is synced after the rename. A key that is a symbolic link
// stays one: the file it leads to is replaced, and its directory synced. A
// file it creates is readable by its owner only; something other than a file
// under a key is never replaced.
class FileUserDefaults final : public UserDefaults {
public:
    FileUserDefaults(); // the standard location
    explicit FileUserDefaults(QString directory, DirectorySync sync = syncDirectory);

    std::optional<QByteArray> data(const QString& key, QString* error = nullptr) const override;
    bool setData(const QString& key, const QByteArray& bytes, QString* error = nullptr) override;
    QStringList keys() const override;
    std::optional<Stamp> stamp(const QString& key) const override;
    bool remove(const QString& key, QString* error = nullptr) override;
    std::optional<QString> linkTarget(const QString& key) const override;

    const QString& directory() const { return m_directory; }
    static QString standardDirectory();

private:
    QString pathFor(const QString& key) const;
    QString m_directory;
    DirectorySync m_sync;
};

// Keys become file names; anything that could leave the directory is refused.
bool isValidUserDefaultsKey(const QString& key);

// The UTC time in the names of copies kept beside a record: 20261207T040506Z.
QString copyTimeStamp(Date date);

// Copies bytes to "<key>.<kind>-<UTC time>" (a number appended when that key
// is taken) unless an identical copy of that kind is already there. Returns the
// copy's key, or nullopt with the reason in *error.
std::optional<QString> keepCopy(UserDefaults& userDefaults, const QString& key, const QString& kind,
                                const QByteArray& bytes, Date now, QString* error = nullptr);

// How a write under `key` that failed for `reason` is logged: a key that is a
// symbolic link names the file the write was for, since the reason is about
// that file ("No such file or directory").
QString describeWriteFailure(const UserDefaults& userDefaults, const QString& key, const QString& reason);

// A write cut short between writing its temporary file and renaming it over
// its key (a crash, a power cut) leaves "<key>.XXXXXX" behind: six letters,
// upper and lower case mixed at random.
struct InterruptedWrite {
    QString key;   // the leftover
    QString error; // why it could not be removed; empty when it holds more than the record
};
// Finds what interrupted writes under `key` or its copies left, and removes
// each one that holds nothing that the file it was for or the record lacks
// (it is empty, or their beginning). Returns the ones left in place.
QList<InterruptedWrite> tidyInterruptedWrites(UserDefaults& userDefaults, const QString& key);
