ardour {
	["type"]    = "dsp",
	name        = "Korvo Test Player",
	category    = "Utility",
	license     = "MIT",
	author      = "Korvo-EQ tests",
	description = [[Plays a stereo clip held in this processor's shared memory, in step with
the transport: clip frame 0 sounds at the timeline sample given in the header, silence
elsewhere and whenever the transport is stopped. A session script fills the memory while
the transport is stopped. Layout, in 32-bit slots: [0] frame count, written last (0: no
clip), [1] timeline sample of frame 0, [2] capacity in frames, then the left channel's
samples, then the right channel's.]]
}

local HEADER = 3
local CAPACITY = 48000 * 60 -- one minute at 48 kHz

function dsp_ioconfig ()
	return { { audio_in = 2, audio_out = 2 } }
end

function dsp_init (rate)
	local shm = self:shmem ()
	shm:allocate (HEADER + 2 * CAPACITY)
	shm:clear ()
	shm:atomic_set_int (2, CAPACITY)
end

function dsp_run (ins, outs, n_samples)
	for c = 1, 2 do
		ARDOUR.DSP.memset (outs[c], 0, n_samples)
	end
	local shm = self:shmem ()
	local frames = shm:atomic_get_int (0)
	if frames <= 0 or not Session:transport_rolling () then
		return
	end
	-- the clip frame that falls on this cycle's first sample
	local rel = Session:transport_sample () - shm:atomic_get_int (1)
	local lo = math.max (0, -rel)
	local hi = math.min (n_samples, frames - rel)
	for c = 1, 2 do
		if hi > lo then
			local out = outs[c]:array ()
			local clip = shm:to_float (HEADER + (c - 1) * CAPACITY):array ()
			for i = lo, hi - 1 do
				out[i + 1] = clip[rel + i + 1]
			end
		end
	end
end
