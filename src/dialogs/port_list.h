// The list both port dialogs show: the system's ports of one kind with
// their descriptions.
#pragma once

#include "app/controls.h"
#include "platform/spooler.h"
#include "ports/port_kinds.h"

// Rebuilds `list` from the spooler: every row and column goes, then the
// columns "Port" and "Description" come back with one row per port of
// `kind`, and row 0 is selected without the focus. The rows are the ports
// SortPorts puts in the installer's list of that kind, in the same order
// (and so only among the first kMaxPortRecords), so that a dialog's row is
// also an index into that list. A failed enumeration leaves the list empty.
void FillPortList(const CListCtrl& list, plat::ISpooler& spooler, PortClass kind);

// The first selected row, or -1 when no row is selected or there is none.
int FirstSelectedRow(const CListCtrl& list);

// Selects `row` (not focused); a row that does not exist changes nothing.
void SelectPortRow(const CListCtrl& list, int row);
