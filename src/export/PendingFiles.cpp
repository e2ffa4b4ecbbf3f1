#include "export/PendingFiles.h"

#include <QFile>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace velloxa::PendingFiles {

namespace {

// A program that ends by exit() mid-write runs no destructor of the writer, but it does
// destroy this static list, which removes the files.
class List {
public:
    ~List() { removeAll(); }
    void add(const QString& name)
    {
        std::lock_guard lock(mutex_);
        names_ << name;
    }
    void remove(const QString& name)
    {
        std::lock_guard lock(mutex_);
        names_.removeOne(name);
    }
    void removeAll()
    {
        std::lock_guard lock(mutex_);
        for (const QString& name : names_)
            QFile::remove(name);
        names_.clear();
    }

private:
    std::mutex mutex_;
    QStringList names_;
};

List& list()
{
    static List files;
    return files;
}

} // namespace

void add(const QString& name) { list().add(name); }
void remove(const QString& name) { list().remove(name); }

std::mutex& commitLock()
{
    static std::mutex lock;
    return lock;
}

void EndProcessNow(int status)
{
    commitLock().lock(); // never released: the process ends holding it
    list().removeAll();
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace velloxa::PendingFiles
