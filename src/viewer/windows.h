#pragma once

// The windows opened over the current document: the viewer, the selection list, the notes, the
// attachments and the relations. Each is created once at program start and shown modally.

#include "attachmentswindow.h"
#include "noteswindow.h"
#include "relationswindow.h"
#include "selectionlist.h"
#include "viewerwindow.h"
