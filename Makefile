# Quillmark: the two commands of a fresh machine, and a few more. The scripts do the work.
.PHONY: run test dist bench setup clean mutants

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

clean:
	rm -rf build dist
