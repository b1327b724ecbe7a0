-- Second process: loads the saved session and exports it again.
--   ardour7-lua reload_and_export.lua SESSION_DIR OUTPUT_DIR
local dir, out = arg[1], arg[2]
local here = debug.getinfo (1, "S").source:match ("^@(.*/)") or "./"
local export_session = dofile (here .. "export_session.lua")

AudioEngine:set_backend ("None (Dummy)", "", "")
local s = load_session (dir, "reload")
assert (s, "the session does not load")
ARDOUR.LuaAPI.usleep (1000000)
export_session (s, out)
close_session ()
