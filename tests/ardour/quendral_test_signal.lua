ardour {
	["type"]    = "dsp",
	name        = "quendral test signal",
	category    = "Utility",
	license     = "MIT",
	author      = "quendral tests",
	description = [[A tone and noise that depend only on the transport position, so two exports of one session feed the same input; silence while the transport stands.]]
}

function dsp_ioconfig ()
	return { { audio_in = 1, audio_out = 1 } }
end

local rate = 44100

function dsp_init (r)
	rate = r
end

function dsp_run (ins, outs, n_samples)
	local out = outs[1]:array ()
	if not Session:transport_rolling () then
		for i = 1, n_samples do out[i] = 0 end
		return
	end
	local start = Session:transport_sample ()
	for i = 1, n_samples do
		local p = start + i - 1
		local h = (p * 2654435761) % 4294967296
		out[i] = 0.25 * math.sin (2 * math.pi * 440 * p / rate) + 0.2 * (h / 4294967296 - 0.5)
	end
end
