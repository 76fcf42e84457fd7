#pragma once

#include "removal/RemovalRun.h"
#include "results/PathSizeCalculator.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// What the last scan listed, read from the results file the way the review
// and fix pages read it (the same tree, the same paths passed over), so the
// command line reports and removes exactly what the window would show.
class ResultsListing final {
public:
    enum class State { Read, Missing, Damaged };
    struct Group {
        QString key;
        QList<RemovalRun::TickedPath> paths;
    };

    // The current locations' results file.
    static ResultsListing read();
    // What a results file holding the dictionary would list.
    static ResultsListing of(const QVariantMap& results);

    State state() const { return m_state; }
    // The categories in the order the window lists them; only those named, when any are.
    QList<Group> groups(const QStringList& only = {}) const;
    int count() const { return int(m_paths.size()); }

    // What removing the paths would free, each byte counted once: a path in a
    // listed folder is counted with the folder, a file with several links once.
    // PathSizeCalculator::totalOf gives the bytes; over the footprints of
    // several lists it counts a file with several links once as well. The
    // plain files, the bulk of a cache, share one footprint: measuring each
    // on its own would cost the report several times the scan.
    static QList<PathSizeCalculator::Footprint> footprintsOf(const QList<RemovalRun::TickedPath>& paths);

private:
    State m_state = State::Missing;
    QList<RemovalRun::TickedPath> m_paths;
};
