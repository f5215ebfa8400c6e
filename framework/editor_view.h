// What the framework asks of an attached editor; the editor's surface implements it.
#pragma once

namespace framework {

class IEditorView {
 public:
  virtual ~IEditorView() = default;

  // Shows a parameter's value (normalised 0..1 when normalized is set, else plain). Called with the
  // InstanceLock held, from whichever thread changed the value (host, audio or UI thread); the
  // editor keeps it for its own thread's next tick, without waiting and without allocating.
  virtual void SetParameterFromPlugin(int index, double value, bool normalized) = 0;
  // Called with the InstanceLock held while the editor's own value for the parameter is applied:
  // a value from the plug-in that the editor has not taken yet is older, and is dropped.
  virtual void DropPendingValue(int index) = 0;
  // Prepares the first drawing once every control holds its value; constructing thread, lock held.
  virtual void PrepareDraw() = 0;
  // Size of the editor window in device pixels at the current scale: what a host makes room for
  // (VST 2 opcode 13, CLAP's gui size, LV2's ui:resize). Any thread, lock held or not; on Linux
  // the first call may open a short connection to the X display to learn the desktop's scale.
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // The host's scale for the editor, device pixels per editor pixel: LV2's ui:scaleFactor,
  // CLAP's gui set_scale, a VST 2 host's scale message. 1 to 3 (values outside are clamped); 0
  // forgets it. It outranks the desktop's and the monitor's scale; the QUORVANTEL_SCALE variable
  // outranks it. Any thread, before or while the window is open: an open window takes the new
  // size on its next tick, and Width and Height answer it at once. An editor of one fixed size
  // ignores it.
  virtual void SetScale(double) {}
  // The scale the editor draws at now (or will open at, as far as known): 1 to 3.
  virtual double Scale() const { return 1.0; }
  // Lock rule for the two below: never called with the InstanceLock held. While a window is
  // open the editor runs its own thread, which takes the InstanceLock for every value and
  // gesture it sends to the plug-in; closing waits for that thread to end.
  // Opens the window as a child of the host's parent window; host UI thread. False when no
  // window could be made; the plug-in is unaffected.
  virtual bool OpenWindow(void* parent) = 0;
  // Closes the window if it is open, stopping the editor's own thread before it returns; any
  // thread. Called on the editor's own thread (a host reacting to a gesture), it only asks the
  // thread to end; the next OpenWindow, CloseWindow or the destructor waits for it.
  virtual void CloseWindow() = 0;
};

}  // namespace framework
