int main(){
	int k, total = 0;
	k = 1;
	while (k <= 10) {
		total = total + k;
		k++;
	}
	printf("%d", total);
	return 0;
}
