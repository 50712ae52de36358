#pragma once
// Generic library options: any option name the codec, format, scaler or
// resampler classes know (including encoder, decoder, muxer and demuxer
// private options) can be given by name. Accepted values are kept per
// template (TGenericTemplates::Accepted) and later handed to the real
// contexts, filtered by the library option flags of the context being set up.
#include <string>

#include "engine/OptionState.h"

struct AVClass;
struct AVDictionary;

namespace quorvia {

enum class TGenericResult { NotFound, Rejected, Accepted };

// Looks the (trimmed) name up and stores the (trimmed) value:
//  1. codec templates video, audio, data, subtitle, attachment with the media
//     flags 16, 8, 0, 32, 0 (0 accepts any option); stops at a rejection;
//  2. when none of them knows it: the format, then the scaler, then the
//     resampler template;
//  3. when still unknown: "a"/"v"/"s" + name sets name on the audio, video or
//     subtitle template ("ab" is "b" of audio).
// A rejected value is reported through the library log at error level with
// "Invalid value "%s" for option "%s"". Empty name or value: NotFound.
TGenericResult StoreGenericOption(TGenericTemplates& templates, const std::string& name,
                                  const std::string& value);

// The library class of a template kind.
const AVClass* GenericTemplateClass(TGenericTemplate which);

// True when the class (or one of its child classes) has an option of that
// name whose flags contain every bit of flags.
bool GenericOptionExists(const AVClass* cls, const std::string& name, int flags);

// Sets the accepted options of `from` whose flags contain every bit of
// `flags` on target (searching its private data too); options the target does
// not know are passed over. Returns how many were set.
int ApplyGenericOptions(const TGenericTemplates& templates, void* target, TGenericTemplate from,
                        int flags);

// The same selection as a dictionary (nullptr when empty); free with av_dict_free.
AVDictionary* GenericOptionDictionary(const TGenericTemplates& templates, TGenericTemplate from,
                                      int flags);

}  // namespace quorvia
