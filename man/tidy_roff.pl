#!/usr/bin/perl
# Reads a page as scdoc writes it and writes it tidied for every reader:
# a paragraph macro just before an indent's end goes after it, where the
# paragraph it starts is; one that begins or ends nothing (right after a
# heading, or right before a heading or another paragraph) is left out, as
# mandoc's lint asks. With --chinese, Chinese text is set as
# Chinese: a source line that ends in a Chinese character joins the next
# one that starts with one without a space between them, and a line may
# break between two Chinese characters (groff breaks only at spaces, which
# Chinese has none of), though not before closing punctuation nor after
# opening punctuation; the NAME section stays as whatis reads it.
#
#   perl tidy_roff.pl [--chinese] < page.1 > tidied.1
use strict;
use warnings;
use utf8;
binmode STDIN, ':encoding(UTF-8)';
binmode STDOUT, ':encoding(UTF-8)';

my $chinese = @ARGV && $ARGV[0] eq '--chinese';
my @lines = <STDIN>;
my $paragraph = qr/^\.(?:P|PP|LP)\s*$/;
my $ends = qr/^\.(?:SH|SS|RE|P|PP|LP)\b/;

for my $k (0 .. $#lines - 1) {
  @lines[$k, $k + 1] = @lines[$k + 1, $k] if $lines[$k] =~ $paragraph && $lines[$k + 1] =~ /^\.RE\b/;
}
my $cjk = qr/[\p{Han}\x{3000}-\x{303F}\x{FF00}-\x{FFEF}]/;
if ($chinese) {
  for (my $k = 0; $k < $#lines; ++$k) {
    next if $lines[$k] =~ /^\./ || $lines[$k + 1] =~ /^\./;
    next unless $lines[$k] =~ /$cjk\n\z/ && $lines[$k + 1] =~ /^$cjk/;
    chomp $lines[$k];
    $lines[$k] .= splice(@lines, $k + 1, 1);
    --$k;
  }
}
my $in_name = 0;
for my $k (0 .. $#lines) {
  my $line = $lines[$k];
  if ($line =~ $paragraph) {
    my $previous = $k > 0 ? $lines[$k - 1] : '';
    my $next = $k < $#lines ? $lines[$k + 1] : '.SH';
    next if $previous =~ /^\.S[HS]\b/ || $next =~ $ends;
  }
  $in_name = $line =~ /^\.SH\s+"?(?:NAME|名称)"?\s*$/ if $line =~ /^\.SH\b/;
  if ($chinese && !$in_name && $line !~ /^\./) {
    $line =~ s/(\p{Han}|[，。、：；）」』])(?=[\p{Han}（「『])/$1\\:/g;
  }
  print $line;
}
