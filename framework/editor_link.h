// The editor's side of the boundary between an effect and its editor: what an editor may ask of
// the effect it shows. In the plug-in's own process the framework implements it with calls under
// the instance lock; a format whose editor runs apart (an LV2 UI) implements it with its own
// messages. Values, statistics and greying travel the other way through the editor's mailbox and
// the effect's feed, never through this link.
#pragma once

#include "framework/parameter.h"

namespace framework {

class IEditorLink {
 public:
  virtual ~IEditorLink() = default;

  // Any thread: the number of parameters, fixed for the link's life.
  virtual int ParameterCount() const = 0;
  // Any thread: the definition of a parameter (name, range, mapping, texts), null for an index
  // out of range; it never changes and lives as long as the link.
  virtual const ParameterDefinition* Definition(int index) const = 0;

  // Editor thread: the user set parameter index to a normalised value (an index out of range or
  // a non-finite value is ignored). The effect applies it and tells the host; a value the host
  // sent before it and the editor has not taken yet is dropped, since the user's is newer.
  // Returns the plain value the parameter holds afterwards.
  virtual double SendValue(int index, double normalized) = 0;
  // Editor thread: a gesture on parameter index (mouse down to mouse up) begins or ends, so the
  // host can group the values sent in between.
  virtual void BeginGesture(int index) = 0;
  virtual void EndGesture(int index) = 0;
};

}  // namespace framework
