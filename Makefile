# Quillmark: the two commands of a fresh machine, and a few more. The scripts do the work.
.PHONY: run test dist bench setup clean mutants fuzz

run:
	@scripts/run.sh

test:
	@scripts/test.sh

dist:
	@scripts/dist.sh --zip

bench:
	@scripts/bench.sh

setup:
	@scripts/setup.sh

mutants:
	@scripts/mutants.sh

fuzz:
	@scripts/fuzz.sh $(FUZZ_SECONDS)

clean:
	rm -rf build dist
