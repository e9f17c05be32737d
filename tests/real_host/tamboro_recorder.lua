ardour {
	["type"]    = "dsp",
	name        = "Tamboro Test Recorder",
	category    = "Utility",
	license     = "MIT",
	author      = "Tamboro",
	description = [[Records every MIDI event that reaches it while the transport rolls: transport position, status, data bytes.]]
}

-- Shared memory, in 32-bit words: [0] events recorded, then 4 words per
-- event: position, status, first and second data byte.
local CAPACITY = 8192

function dsp_ioconfig ()
	return { { midi_in = 1, midi_out = 1, audio_in = -1, audio_out = -1 } }
end

function dsp_init (rate)
	self:shmem ():allocate (1 + 4 * CAPACITY)
	self:shmem ():clear ()
end

function dsp_configure (ins, outs)
	n_out = outs
end

function dsp_runmap (bufs, in_map, out_map, n_samples, offset)
	ARDOUR.DSP.process_map (bufs, n_out, in_map, out_map, n_samples, offset)
	if not Session:transport_rolling () then return end
	local ib = in_map:get (ARDOUR.DataType ("midi"), 0)
	if ib == ARDOUR.ChanMapping.Invalid then return end
	local shm = self:shmem ()
	local count = shm:atomic_get_int (0)
	local store = shm:to_int (1):array ()
	local start = Session:transport_sample ()
	for _, e in pairs (bufs:get_midi (ib):table ()) do
		if count < CAPACITY then
			local data = e:buffer ():array ()
			store[4 * count + 1] = start + e:time ()
			store[4 * count + 2] = data[1]
			store[4 * count + 3] = data[2]
			store[4 * count + 4] = data[3]
			count = count + 1
		end
	end
	shm:atomic_set_int (0, count)
end
