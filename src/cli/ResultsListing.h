#pragma once

#include "removal/RemovalRun.h"
#include "results/PathSizeCalculator.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// What the last scan listed, read from the results file by the rules the
// review and fix pages list it by (the same paths passed over, in the same
// order), so the command line reports and removes exactly what the window
// would show.
class ResultsListing final {
public:
    enum class State { Read, Missing, Damaged };
    struct Group {
        QString key;
        QList<RemovalRun::TickedPath> paths;
    };

    // The current locations' results file, each path looked at as the
    // removal needs it (whether it is a real folder).
    static ResultsListing read();
    // What a results file holding the dictionary would list, the paths not
    // looked at: `isDirectory` is left false, as a report has no need of it.
    static ResultsListing of(const QVariantMap& results);

    State state() const { return m_state; }
    // The categories in the order the window lists them; only those named, when any are.
    QList<Group> groups(const QStringList& only = {}) const;
    int count() const { return int(m_paths.size()); }

    // What removing the groups' paths would free, group by group, counted as
    // the review page counts it: each byte once, in the first group listing
    // it, a path inside a listed folder with that folder, a file with several
    // links once, nothing beyond a mount. The groups' bytes add up to the total.
    // Footprints already `taken` of the paths are used, not taken again.
    static QList<qint64> bytesOf(
        const QList<Group>& groups, const PathSizeCalculator::Footprints& taken = {});

private:
    State m_state = State::Missing;
    QList<RemovalRun::TickedPath> m_paths;
};
