-- Ardour's Lua session host with the plug-in: "create" adds it to a new session's track, sets
-- Pitch (port 15) to 7 and the second envelope shape (port 46) to 2, and saves; "reload" opens
-- the saved session (in a process of its own: Ardour 7 cannot start its engine twice in one)
-- and prints the values it finds. Environment: QV_SESSION (folder), QV_STEP (create|reload).
local dir = os.getenv("QV_SESSION")
local step = os.getenv("QV_STEP")
local uri = "https://halbrecken.example/lv2/quorvantel"
AudioEngine:set_backend("None (Dummy)", "", "")

if step == "create" then
  assert(create_session(dir, "qv", 48000), "cannot create the session")
  local tracks = Session:new_audio_track(2, 2, nil, 1, "Audio",
    ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
  local track = tracks:front()
  local proc = ARDOUR.LuaAPI.new_plugin(Session, uri, ARDOUR.PluginType.LV2, "")
  assert(not proc:isnil(), "Ardour cannot create the plug-in")
  assert(track:add_processor_by_index(proc, 0, nil, true) == 0, "cannot add it to the track")
  local plugin = proc:to_insert():plugin(0)
  local inputs = 0
  for i = 0, plugin:parameter_count() - 1 do
    if plugin:parameter_is_input(i) and plugin:parameter_is_control(i) then inputs = inputs + 1 end
  end
  print("plug-in: " .. plugin:name() .. ", control inputs: " .. inputs)
  ARDOUR.LuaAPI.set_processor_param(proc, 15, 7)
  ARDOUR.LuaAPI.set_processor_param(proc, 46, 2)
  -- The plug-in takes port values at its next run; the engine runs meanwhile.
  os.execute("sleep 0.5")
  Session:save_state("", false, false, false, false, false)
else
  assert(load_session(dir, "qv"), "cannot load the session")
  local proc = nil
  for route in Session:get_routes():iter() do
    if not route:to_track():isnil() then proc = route:nth_plugin(0) end
  end
  assert(proc, "the track is gone after reloading")
  assert(not proc:isnil(), "the plug-in is gone after reloading")
  print(string.format("after reload: pitch %g, envelope_2 %g",
    ARDOUR.LuaAPI.get_processor_param(proc, 15, true),
    ARDOUR.LuaAPI.get_processor_param(proc, 46, true)))
end
close_session()
