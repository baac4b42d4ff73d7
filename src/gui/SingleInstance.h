#pragma once
// One korvance a user: the first start holds a lock file and listens on a
// local socket beside it; a later start finds the lock held, asks the first
// to bring its window forward through the socket and ends without a window.
// Both live in the user's runtime folder ($XDG_RUNTIME_DIR, else the
// temporary folder), so two users never see each other's instance.

#include <QLocalServer>
#include <QLockFile>
#include <QString>

#include <functional>
#include <memory>

namespace korvance {

class SingleInstance {
public:
    // `folder` empty: the user's runtime folder.
    explicit SingleInstance(const QString& folder = {});
    ~SingleInstance();

    // True when this process is the first instance (it then holds the lock
    // and listens); false when another runs, after asking it to come forward.
    bool acquire();
    // Called in the first instance each time a later start asks (GUI thread).
    void onRaiseRequest(std::function<void()> raise) { raise_ = std::move(raise); }
    // Where the lock and the socket are.
    QString lockPath() const;
    QString socketPath() const;

private:
    bool askFirstToRaise() const;

    QString folder_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> raise_;
};

}  // namespace korvance
