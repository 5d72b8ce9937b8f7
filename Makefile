# Quillmark: the two commands of a fresh machine, and a few more. The scripts do the work.
.PHONY: run test dist bench setup clean mutants fuzz install uninstall

run:
	@scripts/run.sh

test:
	@scripts/test.sh

dist:
	@scripts/dist.sh --zip

# Per user, no root: PREFIX (default ~/.local) and XDG_DATA_HOME as the desktop has them.
install:
	@scripts/install.sh install

uninstall:
	@scripts/install.sh uninstall

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
