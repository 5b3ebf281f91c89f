#pragma once

// Forwarding only: the database's message boxes live in the program (app/DatabaseMessageUI.h);
// include that header instead.
#include "app/DatabaseMessageUI.h"
