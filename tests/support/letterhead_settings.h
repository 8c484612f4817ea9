// The workshop's details that the printed order's tests store, and what the letterhead then shows.
#pragma once

// Stores the company details of "Avtoservis Novak" (Glavna cesta 5, 4000 Kranj, Tel 04 123 45 67,
// Fax 04 123 45 68, www novak.si) and the captions "Vozilo: " and "Reg.št.:" of the vehicle and
// plate.
void StoreLetterheadSettings();
