// Placeholder: the block processor (frames of 128 samples, latency, meters, bypass) goes here.
#pragma once
