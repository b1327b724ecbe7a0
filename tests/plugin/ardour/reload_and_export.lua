-- Second process: loads the saved session and exports it again.
--   ardour7-lua reload_and_export.lua SESSION_DIR OUTPUT_DIR
local dir, out = arg[1], arg[2]
local kPreset = "8f3e6a52-41d9-4c0b-b7a4-2d9e5f1c6a83"
local kLength = 88200

AudioEngine:set_backend ("None (Dummy)", "", "")
local s = load_session (dir, "reload")
assert (s, "the session does not load")
ARDOUR.LuaAPI.usleep (1000000)
local export = s:simple_export ()
assert (export:set_preset (kPreset), "no export preset")
export:set_folder (out)
export:set_range (0, kLength)
assert (export:run_export (), "export failed")
close_session ()
