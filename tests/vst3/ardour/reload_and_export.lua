-- Second process: loads the saved session and exports it again.
--   ardour7-lua reload_and_export.lua SCRIPTS_DIR SESSION_DIR OUTPUT_DIR
local scripts, dir, out = arg[1], arg[2], arg[3]
local export_session = dofile (scripts .. "/export_session.lua")

AudioEngine:set_backend ("None (Dummy)", "", "")
local s = load_session (dir, "formats")
assert (s, "the session does not load")
ARDOUR.LuaAPI.usleep (1000000)
export_session (s, out)
close_session ()
