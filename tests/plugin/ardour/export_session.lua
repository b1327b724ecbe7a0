-- Shared by both processes: exports the session's first two seconds with the test preset
-- (32-bit float WAV) into the folder `out`.
--   local export_session = dofile (<this folder> .. "export_session.lua")
local kPreset = "8f3e6a52-41d9-4c0b-b7a4-2d9e5f1c6a83"  -- quendral test float.preset
local kLength = 88200

return function (s, out)
	local export = s:simple_export ()
	assert (export:set_preset (kPreset), "no export preset")
	export:set_folder (out)
	export:set_range (0, kLength)
	assert (export:run_export (), "export failed")
end
