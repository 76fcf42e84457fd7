#pragma once

#include <QString>

class Sandbox;

// Copies the shipped scan definitions into the sandbox with every absolute
// path moved below the sandbox root, so that a real scan and removal in a
// test can never reach the machine's own /var/log or /var/cache.
// "~" entries stay as they are: "~" is already the sandbox home.
// Returns the sandbox resources folder to put into Locations.
QString makeSandboxDefinitions(const QString& sandboxRoot);

// Points the sandbox's locations at such a copy, as every test that scans and
// removes through the real pages wants it.
void useSandboxDefinitions(Sandbox& sandbox);
