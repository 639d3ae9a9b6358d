#pragma once
// The thermodynamic description file (THERM.DAT unless -THERM: names
// another): a delimited spreadsheet with one row per thermodynamic database.
// Its columns are
//   1 the database file name;
//   2 INPUT: how a database line is cut into values, either FREE or FREE(n)
//     (values separated by TAB or by the character of code n) or a list of
//     Fw (take w characters), IGw (skip w characters) and NL (next line);
//   3 MAP: what each value means (SP, PH, CH, LT, HT, CT, LA1..LA7, HA1..HA7,
//     IG, MW, R, CMW), one keyword per value in order;
//   4 DATABASE SPECIAL SWITCHES: NONE, or U1234, UPPL, SYN, CHF, FLUFF, PHS,
//     UPC, SET and SET(keyword=value) constants, in any order;
//   5 (optional) species that only this database may supply;
//   6 (optional) a comment.
// Items inside a column are separated by colons.

namespace tarnavel {

struct Run;

// Resets every species' thermodynamic record and reservation, then reads the
// description file (run.sw.thermo_db) into run.store.thermo.db[1..] and the
// reservations. The temperature and volume pseudo-species are counted as
// supplied from the start. A missing file stops the run with fatal error 33.
void ReadThermoDescription(Run& run);

}  // namespace tarnavel
