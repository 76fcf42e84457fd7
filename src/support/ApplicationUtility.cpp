#include "support/ApplicationUtility.h"

// Link and title styling.

// File and text helpers.
