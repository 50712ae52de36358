#pragma once
// The profile's default choices, as the parameter panel's "Default" button
// stores them: item "i<List>" of every list of the format INI, written to the
// program INI through the vocabulary tables, and zoom "Full Screen".
#include <string>

#include "profiles/ChoiceList.h"
#include "profiles/FormatProfile.h"

namespace quorvia {

// Writes one list item of profile `code` as the panel's change handler of
// that list does; false (nothing written) when the vocabulary lacks the item.
bool StoreChoice(TFormatProfileStore& store, int code, TChoiceKey key, const std::string& item);

// Writes the defaults of profile `code` to the store's program INI.
void StoreDefaultChoices(TFormatProfileStore& store, int code);

// True when the program INI holds no choice for the profile yet (a profile
// the user never set up: read as is, it would give audio only at volume 3).
bool ProfileNeverSetUp(const TFormatProfileStore& store, int code);

}  // namespace quorvia
