#pragma once
// The project file (*.pentarix): the whole design in JSON with a format
// version, the measurement's points embedded so that the file travels alone.
// Numbers are written as the shortest text that reads back to the same
// double, so that a reopened project shows every number as it was.

#include "design.h"

#include <QByteArray>
#include <QString>
#include <stdexcept>

constexpr int ProjectFormatVersion = 1;

enum class TProjectFault {
    Unreadable,   // the file could not be read
    NotJson,      // not JSON at all, or cut short
    NotAProject,  // JSON, but not a Pentarix project
    NewerVersion, // written by a newer Pentarix; Version says which
    BadValue,     // a value missing, of the wrong kind or out of its range; Key names it
};

class EProjectError : public std::runtime_error {
public:
    EProjectError(TProjectFault code, std::string key = {}, int version = 0)
        : std::runtime_error("project fault"), Code(code), Key(std::move(key)), Version(version) {}
    TProjectFault Code;
    std::string Key; // the JSON key of a bad value, dotted ("feed.length_m")
    int Version;
};

QByteArray ProjectJson(const TDesignState& state);
// The state a project file holds, checked whole: nothing is half read. The
// winding is read as its texts; the caller parses them (the pane's rules).
TDesignState ReadProject(const QByteArray& json);
TDesignState ReadProjectFile(const QString& path);
